// The rules a saved record must keep before a state is loaded. A slot is taken
// from a file that anyone may have written, so each record's check lists every
// field the machine reads with the values the machine itself can leave in it
// between frames; reserved bytes are never read. The machine's own records
// are checked in save_state_checks.cpp, each board's extras in its source.
#pragma once

#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <string>

namespace morvel {

struct Rule {
    bool holds;
    const char* field;
};

// True when every rule holds; otherwise false, with the field that broke one.
inline bool AllHold(std::initializer_list<Rule> rules, std::string& why) {
    for (const Rule& rule : rules) {
        if (!rule.holds) {
            why = std::string("the saved ") + rule.field + " is out of range";
            return false;
        }
    }
    return true;
}

// A flag kept as the register bit it came from: 0 or that bit.
constexpr bool Flag(uint32_t value, uint32_t bit) {
    return value == 0 || value == bit;
}

// A board's extras are bytes of the file: copied into an aligned record
// before its check reads them.
template <typename Record, bool (*kFits)(const Record&, std::string&)>
bool SavedRecordFits(const uint8_t* saved, std::string& why) {
    Record record;
    std::memcpy(&record, saved, sizeof record);
    return kFits(record, why);
}

}  // namespace morvel
