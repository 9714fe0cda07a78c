// Rows on their way to a FleetSink.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fleet/FleetGenerator.h"
#include "fleet/FleetRandom.h"

namespace fleet {

// Collects one row's values and hands it to the sink. Reuses its storage
// from row to row: the fleet has millions of rows.
class RowWriter {
public:
    explicit RowWriter(FleetSink& sink) : m_sink(sink), m_values(32) {}

    RowWriter& Begin(FleetTable table) {
        m_table = table;
        m_count = 0;
        return *this;
    }
    RowWriter& Long(int32_t value) {
        FleetValue& v = Next();
        v.kind = FleetValue::Long;
        v.number = value;
        return *this;
    }
    RowWriter& Double(double value) {
        FleetValue& v = Next();
        v.kind = FleetValue::Double;
        v.real = value;
        return *this;
    }
    RowWriter& Text(const std::string& value) {
        FleetValue& v = Next();
        v.kind = FleetValue::Text;
        v.text = value;
        return *this;
    }
    RowWriter& Text(const char* value) {
        FleetValue& v = Next();
        v.kind = FleetValue::Text;
        v.text = value;
        return *this;
    }
    RowWriter& Null() {
        Next().kind = FleetValue::Null;
        return *this;
    }
    // A text that the scan sometimes failed to read: NULL at `nullPerMille`.
    RowWriter& MaybeText(Random& random, int nullPerMille, const std::string& value) {
        return random.PerMille(nullPerMille) ? Null() : Text(value);
    }
    void End() { m_sink.AddRow(m_table, m_values.data(), m_count); }

private:
    FleetValue& Next() { return m_values[m_count++]; }

    FleetSink& m_sink;
    std::vector<FleetValue> m_values;
    FleetTable m_table = kFleetBIOS;
    size_t m_count = 0;
};

}  // namespace fleet
