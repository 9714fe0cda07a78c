#include "host/Progress.h"

#include <unistd.h>

#include <cstdio>

Progress::Progress(size_t total)
    : m_total(total),
      m_bTerminal(isatty(STDERR_FILENO) != 0),
      m_start(std::chrono::steady_clock::now()) {}

Progress::~Progress() {
    Finish();
}

void Progress::Step(bool failed) {
    std::lock_guard<std::mutex> lock(m_mutex);
    ++m_done;
    if (failed) ++m_failed;
    DrawLocked(m_done == m_total);
}

void Progress::FailAfterStep() {
    std::lock_guard<std::mutex> lock(m_mutex);
    ++m_failed;
    DrawLocked(true);
}

void Progress::Message(const std::string& text) {
    std::lock_guard<std::mutex> lock(m_mutex);
    ClearLocked();
    fprintf(stderr, "hwconsole: %s\n", text.c_str());
    DrawLocked(true);
}

void Progress::Finish() {
    std::lock_guard<std::mutex> lock(m_mutex);
    ClearLocked();
}

size_t Progress::Done() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_done;
}

size_t Progress::Failed() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_failed;
}

double Progress::Seconds() const {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - m_start).count();
}

void Progress::ClearLocked() {
    if (!m_bShown) return;
    fputs("\r\033[K", stderr);
    fflush(stderr);
    m_bShown = false;
}

void Progress::DrawLocked(bool force) {
    if (!m_bTerminal || m_total == 0) return;
    const auto now = std::chrono::steady_clock::now();
    // A terminal cannot show more than a few frames a second anyway.
    if (!force && m_bShown && now - m_lastDraw < std::chrono::milliseconds(100)) return;
    m_lastDraw = now;
    const double seconds = std::chrono::duration<double>(now - m_start).count();
    const double rate = seconds > 0 ? static_cast<double>(m_done) / seconds : 0.0;
    const size_t left = m_total - m_done;
    const int width = 30;
    const int filled = static_cast<int>(static_cast<double>(width) * static_cast<double>(m_done) /
                                        static_cast<double>(m_total));
    std::string bar(static_cast<size_t>(filled), '#');
    bar.append(static_cast<size_t>(width - filled), '.');
    char eta[32] = "--:--";
    if (rate > 0) {
        const long secs = static_cast<long>(static_cast<double>(left) / rate + 0.5);
        snprintf(eta, sizeof eta, "%ld:%02ld", secs / 60, secs % 60);
    }
    fprintf(stderr, "\r[%s] %zu/%zu  %.1f reports/s  %s left", bar.c_str(), m_done, m_total, rate,
            eta);
    if (m_failed) fprintf(stderr, "  %zu failed", m_failed);
    fputs("\033[K", stderr);
    fflush(stderr);
    m_bShown = true;
}
