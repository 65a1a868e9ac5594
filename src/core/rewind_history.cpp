#include "core/rewind_history.h"

#include <cstring>
#include <vector>

#include "core/machine_snapshot.h"

namespace morvel {

namespace {

constexpr uint32_t kFramesPerSecond = 60;

// One frame of history: its difference in the ring and the buttons it read.
struct Entry {
    size_t offset;
    size_t size;
    uint8_t buttons[2];
};

struct History {
    uint32_t seconds = kRewindSecondsDefault;
    size_t snapshotSize = 0;       // 0 until the first frame is recorded
    std::vector<uint8_t> newest;   // the newest snapshot, whole
    std::vector<uint8_t> current;  // the snapshot being taken
    std::vector<uint8_t> scratch;  // a difference being made
    std::vector<uint8_t> ring;
    size_t head = 0;             // where the next difference goes
    std::vector<Entry> entries;  // a ring of the frames, oldest at `first`
    size_t first = 0;
    size_t count = 0;
    size_t bytes = 0;
};

History history;

void PutVarint(uint8_t*& out, size_t value) {
    while (value >= 0x80) {
        *out++ = static_cast<uint8_t>(value | 0x80);
        value >>= 7;
    }
    *out++ = static_cast<uint8_t>(value);
}

size_t GetVarint(const uint8_t*& in) {
    size_t value = 0;
    for (int shift = 0;; shift += 7) {
        const uint8_t byte = *in++;
        value |= static_cast<size_t>(byte & 0x7F) << shift;
        if (!(byte & 0x80)) return value;
    }
}

bool Same8(const uint8_t* a, const uint8_t* b) {
    uint64_t x, y;
    std::memcpy(&x, a, 8);
    std::memcpy(&y, b, 8);
    return x == y;
}

Entry& EntryAt(size_t index) {
    return history.entries[(history.first + index) % history.entries.size()];
}

void DropOldest() {
    history.bytes -= EntryAt(0).size;
    history.first = (history.first + 1) % history.entries.size();
    --history.count;
}

// Whether an entry lies in the way of `size` bytes from start; an empty one
// at start counts, since the entries after it begin there too.
bool Overlaps(const Entry& e, size_t start, size_t size) {
    return e.offset < start + size && (start < e.offset + e.size || e.offset == start);
}

// Room for `size` bytes after the newest difference, or from the ring's start
// when the end is too short; the oldest frames in the way are dropped (going
// forward from the newest, the ring meets the oldest first).
size_t Reserve(size_t size) {
    size_t start = history.head;
    if (start + size > history.ring.size()) {
        while (history.count && EntryAt(0).offset >= start) DropOldest();
        start = 0;
    }
    while (history.count && Overlaps(EntryAt(0), start, size)) DropOldest();
    return start;
}

}  // namespace

size_t RewindDifferenceBound(size_t size) {
    // A run of changed bytes ends only at two unchanged ones: at most one run
    // per three bytes, each with two counts of at most 5 bytes.
    return size + 10 * (size / 3 + 2);
}

size_t EncodeDifference(const uint8_t* a, const uint8_t* b, size_t size, uint8_t* out) {
    uint8_t* const begin = out;
    size_t i = 0;
    while (i < size) {
        const size_t same = i;
        while (i + 8 <= size && Same8(a + i, b + i)) i += 8;
        while (i < size && a[i] == b[i]) ++i;
        if (i == size) break;
        const size_t changed = i;
        while (i < size && (a[i] != b[i] || (i + 1 < size && a[i + 1] != b[i + 1]))) ++i;
        PutVarint(out, changed - same);
        PutVarint(out, i - changed);
        for (size_t k = changed; k < i; ++k) *out++ = a[k] ^ b[k];
    }
    return static_cast<size_t>(out - begin);
}

void ApplyDifference(const uint8_t* difference, size_t differenceSize, uint8_t* target) {
    const uint8_t* in = difference;
    const uint8_t* end = difference + differenceSize;
    while (in < end) {
        target += GetVarint(in);
        const size_t changed = GetVarint(in);
        for (size_t k = 0; k < changed; ++k) *target++ ^= *in++;
    }
}

void SetRewindSeconds(uint32_t seconds) {
    history = History{};
    history.seconds = seconds < kRewindMaxSeconds ? seconds : kRewindMaxSeconds;
}

uint32_t RewindSeconds() {
    return history.seconds;
}

void ClearRewindHistory() {
    SetRewindSeconds(history.seconds);
}

void RecordRewindFrame(uint8_t buttons0, uint8_t buttons1) {
    History& h = history;
    if (!h.seconds) return;
    const size_t size = MachineSnapshotSize();
    if (size != h.snapshotSize) {
        // The first frame, or another board: the history starts here.
        const uint32_t seconds = h.seconds;
        h = History{};
        h.seconds = seconds;
        h.snapshotSize = size;
        h.newest.resize(size);
        h.current.resize(size);
        h.scratch.resize(RewindDifferenceBound(size));
        h.ring.resize(seconds * kRewindBytesPerSecond);
        h.entries.resize(seconds * kFramesPerSecond);
        SaveMachineSnapshot(h.newest.data());
        return;
    }
    SaveMachineSnapshot(h.current.data());
    const size_t diff = EncodeDifference(h.current.data(), h.newest.data(), size, h.scratch.data());
    h.newest.swap(h.current);
    if (diff > h.ring.size() / 4) {
        // A change too large to keep (a ring of a few seconds): the frames
        // before it can no longer be reached.
        h.first = h.count = h.bytes = h.head = 0;
        return;
    }
    if (h.count == h.entries.size()) DropOldest();
    const size_t at = Reserve(diff);
    std::memcpy(h.ring.data() + at, h.scratch.data(), diff);
    h.head = at + diff;
    h.entries[(h.first + h.count) % h.entries.size()] = Entry{at, diff, {buttons0, buttons1}};
    ++h.count;
    h.bytes += diff;
}

const uint8_t* NewestRewindSnapshot() {
    return history.snapshotSize ? history.newest.data() : nullptr;
}

int StepRewindBack(uint8_t* before, uint8_t buttons[2]) {
    History& h = history;
    if (!h.count || MachineSnapshotSize() != h.snapshotSize) return 0;
    const Entry& newest = EntryAt(h.count - 1);
    ApplyDifference(h.ring.data() + newest.offset, newest.size, h.newest.data());
    h.bytes -= newest.size;
    h.head = newest.offset;
    --h.count;
    if (!h.count) return 1;
    const Entry& previous = EntryAt(h.count - 1);
    std::memcpy(before, h.newest.data(), h.snapshotSize);
    ApplyDifference(h.ring.data() + previous.offset, previous.size, before);
    buttons[0] = previous.buttons[0];
    buttons[1] = previous.buttons[1];
    return 2;
}

uint32_t RewindFrames() {
    return static_cast<uint32_t>(history.count);
}

size_t RewindBytes() {
    return history.bytes;
}

}  // namespace morvel
