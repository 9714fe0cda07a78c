// Batch progress on stderr: a bar with rate and time left when stderr is a
// terminal, nothing otherwise. Messages go to stderr either way, never torn
// by the bar. Thread-safe.
#pragma once

#include <chrono>
#include <cstddef>
#include <mutex>
#include <string>

class Progress {
public:
    // `total` items to come; the bar shows only when stderr is a terminal.
    explicit Progress(size_t total);
    ~Progress();
    Progress(const Progress&) = delete;
    Progress& operator=(const Progress&) = delete;

    // One item finished.
    void Step(bool failed);
    // An item that Step counted as done failed after all (its file could not
    // be kept); it counts as failed from now on.
    void FailAfterStep();
    // A line on stderr ("hwconsole: " + text), above the bar.
    void Message(const std::string& text);
    // Removes the bar; later output starts on a clean line.
    void Finish();

    // Items finished, failed ones included; of those, the failed; seconds
    // since construction.
    size_t Done() const;
    size_t Failed() const;
    double Seconds() const;

private:
    void DrawLocked(bool force);
    void ClearLocked();

    mutable std::mutex m_mutex;
    const size_t m_total;
    size_t m_done = 0;
    size_t m_failed = 0;
    const bool m_bTerminal;
    bool m_bShown = false;
    const std::chrono::steady_clock::time_point m_start;
    std::chrono::steady_clock::time_point m_lastDraw;
};
