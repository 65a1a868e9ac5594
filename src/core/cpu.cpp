// The 6502-family CPU of the console, one bus access per CPU cycle: every
// instruction makes the reads and writes the console makes, in its order,
// dummy reads and writes included, and the PPU and APU run their share of
// each cycle before its access, so a register sees the access at its cycle.
// No decimal mode. One CpuStep is one instruction or interrupt entry, with
// any DMA that steals cycles inside it.
#include "core/cpu.h"

#include <algorithm>
#include <cstring>

#include "apu/apu.h"
#include "cart/board_clock.h"
#include "core/frame_loop.h"
#include "core/memory_map.h"
#include "ppu/board_ppu_hooks.h"
#include "ppu/ppu.h"

namespace morvel {

CpuBlock cpu;
CpuCycleState cpuCycle;

namespace {

// ---- The bus cycle -------------------------------------------------------------
// The PPU runs two of its three dots before the access and the third after
// it; the interrupt inputs are sampled at the end of the cycle. A $2002 read
// on the dot the vblank flag rises, or one dot later, so hides the flag's
// edge from the NMI input, and a read two dots later does not.
//
// The PPU is kept behind and caught up only where the CPU could tell: before
// an access that reaches it (its registers, a board's registers), and at the
// end of the cycle its next event falls in. The events are the dots where its
// NMI output can change by itself and, with a board that counts the PPU's A12
// rises for its interrupt, the last stretch before the interrupt could come.
// Between two catch-ups nothing the CPU sees of the PPU changes, so the NMI
// input is sampled only at them.

// Which cycle's view of the interrupt inputs decides whether the next step
// enters a handler, counted back from the step's last cycle: 1, the
// second-to-last, for most; 2 for a taken branch that stays in its page;
// 0 after an interrupt entry, whose handler's first instruction always runs.
uint32_t pollBack;

// Set while the next step is not a plain instruction: reset cycles to run,
// the CPU halted, an interrupt to enter. Brought up to date wherever those
// change.
bool unusualStep;
inline void NoteUnusualStep() {
    unusualStep = cpu.extraCycles | cpuCycle.halted | cpuCycle.takeNmi | cpuCycle.takeIrq;
}

// What the interrupt inputs asked for at the end of a recent cycle.
uint8_t InputsAtEndOf(uint64_t cycle) {
    const InterruptInputs& in = interruptInputs;
    if (in.changedAt <= cycle) return in.now;
    if (in.earlierAt <= cycle) return in.before;
    return in.earlier;
}

// The cycle at whose end the PPU is caught up next (0: the coming one).
uint64_t ppuEventCycle;

// The first cycle with duties beyond counting and making its access: the
// APU's and the board's next events (before the access), the PPU's (after it), a DMA waiting
// (0: at once). Placed afresh at the end of every cycle that reaches it; an
// access that may have changed them asks for that by setting it to 0.
uint64_t dutyCycle;

// Sprite DMA after a $4014 write, or a DMC sample fetch, waits for a read.
inline bool DmaWaiting() {
    return cpu.dmaActive || DmcDmaPending();
}

inline void PlanDuties() {
    dutyCycle =
        DmaWaiting() ? 0 : std::min({ppuEventCycle, apuClock.nextEvent, boardClock.nextEvent});
}

// The PPU owes three dots per CPU cycle: at the end of cycle c its count
// of dots owed in the frame is 3c - ppuOwedBase, `dotsLeft` fewer inside it.
uint64_t ppuOwedBase;
inline int32_t PpuOwed(int32_t dotsLeft) {
    return static_cast<int32_t>(3 * cpuCycle.cycles - ppuOwedBase) - dotsLeft;
}

inline void CatchUpPpu(int32_t owed) {
    if (owed > ppu.ppuCyclesDone) ppuStep(owed);
}

// At the end of the event's cycle: the PPU runs its three dots, the NMI
// input sees its output, and the next event is placed.
void PpuEvent() {
    CatchUpPpu(PpuOwed(0));
    const uint8_t line = (ppu.vblankFlag & 0x80) && ppu.nmiEnabled;
    if (line && !cpuCycle.nmiLine) {
        cpu.nmiPending = 1;
        UpdateInterruptInputs();
    }
    cpuCycle.nmiLine = line;
    int32_t dots = PpuDotsToVblankEdge();
    if (ppuBoardHooks.addressWatch) {
        // A board counting A12 rises: run behind only while its interrupt
        // cannot come.
        const uint32_t rises = ppuBoardHooks.risesToIrq ? ppuBoardHooks.risesToIrq() : 1;
        if (rises) dots = std::min(dots, PpuDotsBeforeA12Rises(rises));
    }
    if (ppuBoardHooks.renderStep) dots = 0;  // a board's own rendering: every cycle
    ppuEventCycle = cpuCycle.cycles + std::max(1, (dots + 2) / 3);
}

// An access that reaches the PPU: its first two dots of the cycle run
// before it, and the cycle ends with an event (the access may have changed
// the NMI output, the picture or a board's counter).
inline void ReachPpu() {
    CatchUpPpu(PpuOwed(1));
    ppuEventCycle = cpuCycle.cycles;
    dutyCycle = 0;
}

// Besides its registers (whose handlers reach it themselves, see
// CpuReachPpu), writes reach the PPU at any board register (banks,
// mirroring, counters); plain work RAM, RAM and the APU's registers do not.
inline bool WriteReachesPpu(uint32_t address) {
    return address >= 0x4020 && cpuWritePage[(address >> 12) & 15] != WriteWorkRam;
}

inline void BeginCycle() {
    if (++cpuCycle.cycles >= dutyCycle) [[unlikely]] {
        ApuCycle(cpuCycle.cycles);
        BoardCycle(cpuCycle.cycles);
    }
}

void EndDuties() {
    if (cpuCycle.cycles >= ppuEventCycle) PpuEvent();
    PlanDuties();
}

inline void EndCycle() {
    if (cpuCycle.cycles >= dutyCycle) [[unlikely]]
        EndDuties();
}

// A cycle with nothing on the bus that matters (the reset's cycles, a halted CPU).
inline void IdleCycle() {
    BeginCycle();
    EndCycle();
}

inline uint8_t BusRead(uint32_t address) {
    BeginCycle();
    const uint8_t value = CpuRead(address);
    cpuCycle.openBus = value;
    EndCycle();
    return value;
}

void RunDma(uint32_t address);

// Every read the CPU makes is one where DMA may halt it.
[[gnu::noinline]] uint8_t ReadWithDuties(uint32_t address) {
    if (DmaWaiting()) RunDma(address);
    return BusRead(address);
}

// Most reads have no duties: the cycle is counted and the value read.
inline uint8_t Read(uint32_t address) {
    if (cpuCycle.cycles + 1 >= dutyCycle) [[unlikely]]
        return ReadWithDuties(address);
    cpuCycle.cycles++;
    const uint8_t value = CpuRead(address);
    cpuCycle.openBus = value;
    EndCycle();
    return value;
}

// The cycle of the last write, and whether the write under way follows one
// (every step starts with a read, so only writes of one step can).
uint64_t lastWriteCycle;
bool writeFollowsWrite;

inline void Write(uint32_t address, uint8_t value) {
    BeginCycle();
    writeFollowsWrite = lastWriteCycle + 1 == cpuCycle.cycles;
    lastWriteCycle = cpuCycle.cycles;
    if (WriteReachesPpu(address)) ReachPpu();
    cpuCycle.openBus = value;
    CpuWrite(address, value);
    writeFollowsWrite = false;
    EndCycle();
}

// ---- DMA ---------------------------------------------------------------------------
// DMA halts the CPU on a read cycle: that read goes out (its value dropped),
// then the DMA works on alternating get (even) and put (odd) cycles while the
// CPU keeps putting the address of the read it is waiting to make on the bus.
// A DMC fetch needs the halt and one more cycle before its get; sprite DMA
// gets a byte and puts it to $2004, 256 times. A DMC get takes precedence.

// A cycle of the halted CPU: its waiting read is repeated. The controller
// ports count a run of reads of the same port as one, so only the halt's
// read clocks them.
inline void RepeatRead(uint32_t address) {
    if (address == 0x4016 || address == 0x4017) {
        IdleCycle();
        return;
    }
    BusRead(address);
}

void RunDma(uint32_t address) {
    BusRead(address);  // the halt
    bool dmcReady = false;
    bool dmcWanted = DmcDmaWanted();
    bool oamByteHeld = false;
    for (;;) {
        const bool oam = cpu.dmaActive != 0;
        if (!oam && !dmcWanted) break;
        const bool get = (cpuCycle.cycles & 1) != 0;  // the coming cycle is even
        if (get && dmcWanted && dmcReady) {
            DmcDmaDeliver(BusRead(DmcDmaAddress()));
            dmcWanted = false;
        } else if (get && oam && !oamByteHeld) {
            cpu.dmaLatch = BusRead(cpu.dmaSource & 0xFFFF);
            oamByteHeld = true;
        } else if (!get && oam && oamByteHeld) {
            Write(0x2004, cpu.dmaLatch);
            oamByteHeld = false;
            cpu.dmaSource++;
            if (++cpu.dmaCount >= 256) {
                cpu.dmaCount = 0;
                cpu.dmaActive = 0;
            }
        } else {
            RepeatRead(address);
        }
        if (dmcWanted) dmcReady = true;
        if (!dmcWanted && DmcDmaWanted()) {
            dmcWanted = true;
            dmcReady = false;
        }
    }
}

// ---- Helpers -----------------------------------------------------------------------

inline uint8_t Fetch() {
    const uint8_t value = Read(cpu.pc);
    cpu.pc = static_cast<uint16_t>(cpu.pc + 1);
    return value;
}

inline void SetNZ(uint8_t value) {
    cpu.p = static_cast<uint8_t>((cpu.p & ~(kFlagN | kFlagZ)) | (value & kFlagN) |
                                 (value == 0 ? kFlagZ : 0));
}

inline void SetFlag(uint8_t flag, bool on) {
    cpu.p = static_cast<uint8_t>(on ? (cpu.p | flag) : (cpu.p & ~flag));
}

inline void Push(uint8_t value) {
    Write(0x100 + cpu.s, value);
    cpu.s = static_cast<uint8_t>(cpu.s - 1);
}

inline uint8_t Pull() {
    cpu.s = static_cast<uint8_t>(cpu.s + 1);
    return Read(0x100 + cpu.s);
}

// The cycle an instruction spends on the stack pointer: a read of the stack.
inline void StackDummyRead() {
    Read(0x100 + cpu.s);
}

// The second cycle of one-byte instructions: the next byte is read and dropped.
inline void DummyFetch() {
    Read(cpu.pc);
}

// Interrupt and BRK entry, after the two cycles at PC (the caller's): the
// return address and status are pushed, then the vector read. An NMI that
// has arrived by the time the status is pushed takes the vector over, even
// from a BRK or an IRQ. The pushed status has bit 5 set and bit 4 (B) only
// from BRK.
void EnterInterrupt(uint16_t returnAddress, bool fromBrk) {
    Push(static_cast<uint8_t>(returnAddress >> 8));
    Push(static_cast<uint8_t>(returnAddress));
    uint32_t vector = 0xFFFE;
    if (cpu.nmiPending) {
        cpu.nmiPending = 0;
        UpdateInterruptInputs();
        vector = 0xFFFA;
    }
    const uint8_t pushed = static_cast<uint8_t>((cpu.p | kFlagU | (fromBrk ? kFlagB : 0)) &
                                                (fromBrk ? 0xFF : ~kFlagB));
    Push(pushed);
    cpu.p |= kFlagI;
    UpdateInterruptInputs();
    const uint32_t lo = Read(vector);
    const uint32_t hi = Read(vector + 1);
    cpu.pc = static_cast<uint16_t>(lo | (hi << 8));
    // The handler's first instruction always runs before another interrupt.
    pollBack = 0;
}

// ---- Addressing modes ----------------------------------------------------------------
// Each makes the cycles up to the effective address and returns it. Indexed
// modes read from the address before the carry into the high byte: the
// read-type instructions only when the index crossed a page (the read was
// wrong and is repeated), stores and read-modify-writes always.

using AddressMode = uint32_t (*)();

uint32_t Imm() {
    return cpu.pc++;
}
uint32_t Zp() {
    return Fetch();
}
template <uint8_t CpuBlock::*kIndex>
uint32_t ZpIndexed() {
    const uint32_t base = Fetch();
    Read(base);
    return (base + cpu.*kIndex) & 0xFF;
}
uint32_t Abs() {
    const uint32_t lo = Fetch();
    return lo | (static_cast<uint32_t>(Fetch()) << 8);
}

// The address with the index added to its low byte only: what the bus shows
// before the carry reaches the high byte.
inline uint32_t Uncarried(uint32_t base, uint32_t sum) {
    return (base & 0xFF00) | (sum & 0xFF);
}

template <uint8_t CpuBlock::*kIndex, bool kAlwaysDummy>
uint32_t AbsIndexed() {
    const uint32_t base = Abs();
    const uint32_t sum = (base + cpu.*kIndex) & 0xFFFF;
    if (kAlwaysDummy || ((sum ^ base) & 0xFF00)) Read(Uncarried(base, sum));
    return sum;
}

uint32_t IndX() {
    const uint32_t pointer = Fetch();
    Read(pointer);
    const uint32_t at = (pointer + cpu.x) & 0xFF;
    const uint32_t lo = Read(at);
    const uint32_t hi = Read((at + 1) & 0xFF);
    return lo | (hi << 8);
}

template <bool kAlwaysDummy>
uint32_t IndY() {
    const uint32_t pointer = Fetch();
    const uint32_t lo = Read(pointer);
    const uint32_t hi = Read((pointer + 1) & 0xFF);
    const uint32_t base = lo | (hi << 8);
    const uint32_t sum = (base + cpu.y) & 0xFFFF;
    if (kAlwaysDummy || ((sum ^ base) & 0xFF00)) Read(Uncarried(base, sum));
    return sum;
}

constexpr AddressMode kZpX = ZpIndexed<&CpuBlock::x>;
constexpr AddressMode kZpY = ZpIndexed<&CpuBlock::y>;
constexpr AddressMode kAbsX = AbsIndexed<&CpuBlock::x, false>;
constexpr AddressMode kAbsY = AbsIndexed<&CpuBlock::y, false>;
constexpr AddressMode kAbsXW = AbsIndexed<&CpuBlock::x, true>;
constexpr AddressMode kAbsYW = AbsIndexed<&CpuBlock::y, true>;
constexpr AddressMode kIndY = IndY<false>;
constexpr AddressMode kIndYW = IndY<true>;

// ---- Operations on a value -------------------------------------------------------------

using ReadOp = void (*)(uint8_t);
using ModifyOp = uint8_t (*)(uint8_t);

void Lda(uint8_t m) {
    cpu.a = m;
    SetNZ(m);
}
void Ldx(uint8_t m) {
    cpu.x = m;
    SetNZ(m);
}
void Ldy(uint8_t m) {
    cpu.y = m;
    SetNZ(m);
}
void Lax(uint8_t m) {
    cpu.a = cpu.x = m;
    SetNZ(m);
}
void Ora(uint8_t m) {
    Lda(cpu.a | m);
}
void And(uint8_t m) {
    Lda(cpu.a & m);
}
void Eor(uint8_t m) {
    Lda(cpu.a ^ m);
}
void Adc(uint8_t m) {
    const uint32_t sum = cpu.a + m + (cpu.p & kFlagC);
    const uint8_t result = static_cast<uint8_t>(sum);
    SetFlag(kFlagC, sum > 0xFF);
    SetFlag(kFlagV, (~(cpu.a ^ m) & (cpu.a ^ result) & 0x80) != 0);
    Lda(result);
}
void Sbc(uint8_t m) {
    Adc(static_cast<uint8_t>(~m));
}
template <uint8_t CpuBlock::*kRegister>
void Compare(uint8_t m) {
    const uint8_t reg = cpu.*kRegister;
    SetFlag(kFlagC, reg >= m);
    SetNZ(static_cast<uint8_t>(reg - m));
}
void Bit(uint8_t m) {
    cpu.p = static_cast<uint8_t>((cpu.p & ~(kFlagN | kFlagV)) | (m & (kFlagN | kFlagV)));
    SetFlag(kFlagZ, (cpu.a & m) == 0);
}
void Nop(uint8_t) {}

// Immediate-only undocumented operations.
void Anc(uint8_t m) {
    And(m);
    SetFlag(kFlagC, cpu.a & 0x80);
}
void Alr(uint8_t m) {
    const uint8_t v = cpu.a & m;
    SetFlag(kFlagC, v & 1);
    Lda(v >> 1);
}
void Arr(uint8_t m) {
    const uint8_t v = static_cast<uint8_t>(((cpu.a & m) >> 1) | ((cpu.p & kFlagC) << 7));
    Lda(v);
    SetFlag(kFlagC, v & 0x40);
    SetFlag(kFlagV, ((v >> 6) ^ (v >> 5)) & 1);
}
void Axs(uint8_t m) {
    const uint8_t ax = cpu.a & cpu.x;
    SetFlag(kFlagC, ax >= m);
    cpu.x = static_cast<uint8_t>(ax - m);
    SetNZ(cpu.x);
}
// The unstable two: the console's 2A03 behaves as if A were first ORed with
// $FF (LXA) and $EE (ANE).
void Lxa(uint8_t m) {
    Lax(m);
}
void Ane(uint8_t m) {
    Lda((cpu.a | 0xEE) & cpu.x & m);
}
void Las(uint8_t m) {
    cpu.s &= m;
    Lax(cpu.s);
}

uint8_t Asl(uint8_t v) {
    SetFlag(kFlagC, v & 0x80);
    v = static_cast<uint8_t>(v << 1);
    SetNZ(v);
    return v;
}
uint8_t Lsr(uint8_t v) {
    SetFlag(kFlagC, v & 0x01);
    v = static_cast<uint8_t>(v >> 1);
    SetNZ(v);
    return v;
}
uint8_t Rol(uint8_t v) {
    const uint8_t carry = cpu.p & kFlagC;
    SetFlag(kFlagC, v & 0x80);
    v = static_cast<uint8_t>((v << 1) | carry);
    SetNZ(v);
    return v;
}
uint8_t Ror(uint8_t v) {
    const uint8_t carry = (cpu.p & kFlagC) ? 0x80 : 0;
    SetFlag(kFlagC, v & 0x01);
    v = static_cast<uint8_t>((v >> 1) | carry);
    SetNZ(v);
    return v;
}
uint8_t Inc(uint8_t v) {
    v = static_cast<uint8_t>(v + 1);
    SetNZ(v);
    return v;
}
uint8_t Dec(uint8_t v) {
    v = static_cast<uint8_t>(v - 1);
    SetNZ(v);
    return v;
}
// The undocumented read-modify-writes: a shift or step of memory, then an
// operation of A with the result (whose flags are the ones left).
template <ModifyOp kModify, ReadOp kThen>
uint8_t ModifyThen(uint8_t v) {
    v = kModify(v);
    kThen(v);
    return v;
}
constexpr ModifyOp kSlo = ModifyThen<Asl, Ora>;
constexpr ModifyOp kRla = ModifyThen<Rol, And>;
constexpr ModifyOp kSre = ModifyThen<Lsr, Eor>;
constexpr ModifyOp kRra = ModifyThen<Ror, Adc>;
constexpr ModifyOp kDcp = ModifyThen<Dec, Compare<&CpuBlock::a>>;
constexpr ModifyOp kIsc = ModifyThen<Inc, Sbc>;

// ---- Instruction shapes ------------------------------------------------------------------

using OpHandler = void (*)();

template <AddressMode M, ReadOp kOp>
void ReadInstr() {
    kOp(Read(M()));
}

template <AddressMode M, uint8_t CpuBlock::*kRegister>
void Store() {
    const uint32_t address = M();
    Write(address, cpu.*kRegister);
}

void SaxZp() {
    Write(Zp(), cpu.a & cpu.x);
}
template <AddressMode M>
void Sax() {
    const uint32_t address = M();
    Write(address, cpu.a & cpu.x);
}

// Read, write the value back unchanged (the console's double write), write
// the result.
template <AddressMode M, ModifyOp kOp>
void Modify() {
    const uint32_t address = M();
    const uint8_t value = Read(address);
    Write(address, value);
    Write(address, kOp(value));
}

template <ModifyOp kOp>
void ModifyA() {
    DummyFetch();
    cpu.a = kOp(cpu.a);
}

template <void (*kOp)()>
void Implied() {
    DummyFetch();
    kOp();
}

// SHA, SHX, SHY, SHS: store a register ANDed with the high byte of the base
// address plus one. When the index carries into the high byte, that value
// also replaces the high byte of the address, as on the console.
template <bool kIndirect, uint8_t CpuBlock::*kIndex>
void StoreHigh(uint8_t value) {
    uint32_t base;
    if constexpr (kIndirect) {
        const uint32_t pointer = Fetch();
        const uint32_t lo = Read(pointer);
        base = lo | (static_cast<uint32_t>(Read((pointer + 1) & 0xFF)) << 8);
    } else {
        base = Abs();
    }
    const uint32_t sum = (base + cpu.*kIndex) & 0xFFFF;
    Read(Uncarried(base, sum));
    const uint8_t stored = value & static_cast<uint8_t>((base >> 8) + 1);
    const uint32_t address = ((sum ^ base) & 0xFF00) ? (sum & 0xFF) | (stored << 8) : sum;
    Write(address, stored);
}
void ShaIndY() {
    StoreHigh<true, &CpuBlock::y>(cpu.a & cpu.x);
}
void ShaAbsY() {
    StoreHigh<false, &CpuBlock::y>(cpu.a & cpu.x);
}
void ShxAbsY() {
    StoreHigh<false, &CpuBlock::y>(cpu.x);
}
void ShyAbsX() {
    StoreHigh<false, &CpuBlock::x>(cpu.y);
}
void ShsAbsY() {
    cpu.s = cpu.a & cpu.x;
    StoreHigh<false, &CpuBlock::y>(cpu.s);
}

// ---- Branches, jumps, stack -----------------------------------------------------------------

// A taken branch adds a cycle, and one more when the target is on another
// page. The interrupt inputs are looked at after the operand fetch, and
// again before the page fix; a taken branch that stays on its page does not
// look again, so an interrupt arriving during it waits one more instruction.
template <uint8_t kFlag, bool kSet>
void Branch() {
    const int8_t offset = static_cast<int8_t>(Fetch());
    if (((cpu.p & kFlag) != 0) != kSet) return;
    const uint16_t next = cpu.pc;
    const uint16_t target = static_cast<uint16_t>(next + offset);
    Read(next);
    cpu.pc = static_cast<uint16_t>((next & 0xFF00) | (target & 0xFF));
    if ((target ^ next) & 0xFF00) {
        Read(cpu.pc);
        cpu.pc = target;
    } else {
        pollBack = 2;  // the interrupt inputs as the operand's cycle left them
    }
}

void JmpAbs() {
    cpu.pc = static_cast<uint16_t>(Abs());
}

// The pointer's high byte comes from the start of the same page when the
// pointer ends in $FF: JMP ($10FF) reads $10FF and $1000, as the 6502 does.
void JmpInd() {
    const uint32_t pointer = Abs();
    const uint32_t lo = Read(pointer);
    const uint32_t hi = Read((pointer & 0xFF00) | ((pointer + 1) & 0x00FF));
    cpu.pc = static_cast<uint16_t>(lo | (hi << 8));
}

void Jsr() {
    const uint32_t lo = Fetch();
    StackDummyRead();
    Push(static_cast<uint8_t>(cpu.pc >> 8));
    Push(static_cast<uint8_t>(cpu.pc));
    const uint32_t hi = Read(cpu.pc);
    cpu.pc = static_cast<uint16_t>(lo | (hi << 8));
}

void Rts() {
    DummyFetch();
    StackDummyRead();
    const uint32_t lo = Pull();
    const uint32_t hi = Pull();
    cpu.pc = static_cast<uint16_t>(lo | (hi << 8));
    Fetch();
}

void Rti() {
    DummyFetch();
    StackDummyRead();
    cpu.p = Pull();
    UpdateInterruptInputs();
    const uint32_t lo = Pull();
    const uint32_t hi = Pull();
    cpu.pc = static_cast<uint16_t>(lo | (hi << 8));
}

void Brk() {
    Fetch();  // the padding byte
    EnterInterrupt(cpu.pc, true);
}

// The pushed copy has bits 4 and 5 set; the live status is left as it was.
void Php() {
    DummyFetch();
    Push(static_cast<uint8_t>(cpu.p | kFlagB | kFlagU));
}
void Pha() {
    DummyFetch();
    Push(cpu.a);
}
void Plp() {
    DummyFetch();
    StackDummyRead();
    cpu.p = Pull();
    UpdateInterruptInputs();
}
void Pla() {
    DummyFetch();
    StackDummyRead();
    Lda(Pull());
}

// A halting opcode: the CPU stops fetching; only a reset starts it again.
void Halt() {
    Fetch();
    cpuCycle.halted = 1;
    unusualStep = true;
}

// ---- Implied -------------------------------------------------------------------------------

void Clc() {
    cpu.p &= static_cast<uint8_t>(~kFlagC);
}
void Sec() {
    cpu.p |= kFlagC;
}
void Cli() {
    cpu.p &= static_cast<uint8_t>(~kFlagI);
    UpdateInterruptInputs();
}
void Sei() {
    cpu.p |= kFlagI;
    UpdateInterruptInputs();
}
void Clv() {
    cpu.p &= static_cast<uint8_t>(~kFlagV);
}
void Cld() {
    cpu.p &= static_cast<uint8_t>(~kFlagD);
}
void Sed() {
    cpu.p |= kFlagD;
}
void Tax() {
    Ldx(cpu.a);
}
void Tay() {
    Ldy(cpu.a);
}
void Txa() {
    Lda(cpu.x);
}
void Tya() {
    Lda(cpu.y);
}
void Tsx() {
    Ldx(cpu.s);
}
void Txs() {
    cpu.s = cpu.x;
}
void Inx() {
    Ldx(static_cast<uint8_t>(cpu.x + 1));
}
void Iny() {
    Ldy(static_cast<uint8_t>(cpu.y + 1));
}
void Dex() {
    Ldx(static_cast<uint8_t>(cpu.x - 1));
}
void Dey() {
    Ldy(static_cast<uint8_t>(cpu.y - 1));
}
void NoOp() {}

constexpr auto kA = &CpuBlock::a;
constexpr auto kX = &CpuBlock::x;
constexpr auto kY = &CpuBlock::y;

#define R ReadInstr
#define M Modify
// clang-format off
const OpHandler kOpHandlers[256] = {
// _0                  _1              _2              _3               _4              _5             _6             _7             _8                _9                _A                 _B              _C                _D              _E               _F
   Brk,                R<IndX, Ora>,   Halt,           M<IndX, kSlo>,    R<Zp, Nop>,     R<Zp, Ora>,    M<Zp, Asl>,    M<Zp, kSlo>,    Php,              R<Imm, Ora>,      ModifyA<Asl>,      R<Imm, Anc>,    R<Abs, Nop>,      R<Abs, Ora>,    M<Abs, Asl>,     M<Abs, kSlo>,     // 0_
   Branch<kFlagN, 0>,  R<kIndY, Ora>,  Halt,           M<kIndYW, kSlo>,  R<kZpX, Nop>,   R<kZpX, Ora>,  M<kZpX, Asl>,  M<kZpX, kSlo>,  Implied<Clc>,     R<kAbsY, Ora>,    Implied<NoOp>,     M<kAbsYW, kSlo>, R<kAbsX, Nop>,    R<kAbsX, Ora>,  M<kAbsXW, Asl>,  M<kAbsXW, kSlo>,  // 1_
   Jsr,                R<IndX, And>,   Halt,           M<IndX, kRla>,    R<Zp, Bit>,     R<Zp, And>,    M<Zp, Rol>,    M<Zp, kRla>,    Plp,              R<Imm, And>,      ModifyA<Rol>,      R<Imm, Anc>,    R<Abs, Bit>,      R<Abs, And>,    M<Abs, Rol>,     M<Abs, kRla>,     // 2_
   Branch<kFlagN, 1>,  R<kIndY, And>,  Halt,           M<kIndYW, kRla>,  R<kZpX, Nop>,   R<kZpX, And>,  M<kZpX, Rol>,  M<kZpX, kRla>,  Implied<Sec>,     R<kAbsY, And>,    Implied<NoOp>,     M<kAbsYW, kRla>, R<kAbsX, Nop>,    R<kAbsX, And>,  M<kAbsXW, Rol>,  M<kAbsXW, kRla>,  // 3_
   Rti,                R<IndX, Eor>,   Halt,           M<IndX, kSre>,    R<Zp, Nop>,     R<Zp, Eor>,    M<Zp, Lsr>,    M<Zp, kSre>,    Pha,              R<Imm, Eor>,      ModifyA<Lsr>,      R<Imm, Alr>,    JmpAbs,           R<Abs, Eor>,    M<Abs, Lsr>,     M<Abs, kSre>,     // 4_
   Branch<kFlagV, 0>,  R<kIndY, Eor>,  Halt,           M<kIndYW, kSre>,  R<kZpX, Nop>,   R<kZpX, Eor>,  M<kZpX, Lsr>,  M<kZpX, kSre>,  Implied<Cli>,     R<kAbsY, Eor>,    Implied<NoOp>,     M<kAbsYW, kSre>, R<kAbsX, Nop>,    R<kAbsX, Eor>,  M<kAbsXW, Lsr>,  M<kAbsXW, kSre>,  // 5_
   Rts,                R<IndX, Adc>,   Halt,           M<IndX, kRra>,    R<Zp, Nop>,     R<Zp, Adc>,    M<Zp, Ror>,    M<Zp, kRra>,    Pla,              R<Imm, Adc>,      ModifyA<Ror>,      R<Imm, Arr>,    JmpInd,           R<Abs, Adc>,    M<Abs, Ror>,     M<Abs, kRra>,     // 6_
   Branch<kFlagV, 1>,  R<kIndY, Adc>,  Halt,           M<kIndYW, kRra>,  R<kZpX, Nop>,   R<kZpX, Adc>,  M<kZpX, Ror>,  M<kZpX, kRra>,  Implied<Sei>,     R<kAbsY, Adc>,    Implied<NoOp>,     M<kAbsYW, kRra>, R<kAbsX, Nop>,    R<kAbsX, Adc>,  M<kAbsXW, Ror>,  M<kAbsXW, kRra>,  // 7_
   R<Imm, Nop>,        Store<IndX, kA>, R<Imm, Nop>,   Sax<IndX>,       Store<Zp, kY>,  Store<Zp, kA>, Store<Zp, kX>, SaxZp,         Implied<Dey>,     R<Imm, Nop>,      Implied<Txa>,      R<Imm, Ane>,    Store<Abs, kY>,   Store<Abs, kA>, Store<Abs, kX>,  Sax<Abs>,        // 8_
   Branch<kFlagC, 0>,  Store<kIndYW, kA>, Halt,        ShaIndY,         Store<kZpX, kY>, Store<kZpX, kA>, Store<kZpY, kX>, Sax<kZpY>, Implied<Tya>,     Store<kAbsYW, kA>, Implied<Txs>,     ShsAbsY,        ShyAbsX,          Store<kAbsXW, kA>, ShxAbsY,      ShaAbsY,         // 9_
   R<Imm, Ldy>,        R<IndX, Lda>,   R<Imm, Ldx>,    R<IndX, Lax>,    R<Zp, Ldy>,     R<Zp, Lda>,    R<Zp, Ldx>,    R<Zp, Lax>,    Implied<Tay>,     R<Imm, Lda>,      Implied<Tax>,      R<Imm, Lxa>,    R<Abs, Ldy>,      R<Abs, Lda>,    R<Abs, Ldx>,     R<Abs, Lax>,     // A_
   Branch<kFlagC, 1>,  R<kIndY, Lda>,  Halt,           R<kIndY, Lax>,   R<kZpX, Ldy>,   R<kZpX, Lda>,  R<kZpY, Ldx>,  R<kZpY, Lax>,  Implied<Clv>,     R<kAbsY, Lda>,    Implied<Tsx>,      R<kAbsY, Las>,  R<kAbsX, Ldy>,    R<kAbsX, Lda>,  R<kAbsY, Ldx>,   R<kAbsY, Lax>,   // B_
   R<Imm, Compare<kY>>, R<IndX, Compare<kA>>, R<Imm, Nop>, M<IndX, kDcp>, R<Zp, Compare<kY>>, R<Zp, Compare<kA>>, M<Zp, Dec>, M<Zp, kDcp>, Implied<Iny>, R<Imm, Compare<kA>>, Implied<Dex>, R<Imm, Axs>, R<Abs, Compare<kY>>, R<Abs, Compare<kA>>, M<Abs, Dec>, M<Abs, kDcp>,  // C_
   Branch<kFlagZ, 0>,  R<kIndY, Compare<kA>>, Halt,    M<kIndYW, kDcp>,  R<kZpX, Nop>,   R<kZpX, Compare<kA>>, M<kZpX, Dec>, M<kZpX, kDcp>, Implied<Cld>, R<kAbsY, Compare<kA>>, Implied<NoOp>, M<kAbsYW, kDcp>, R<kAbsX, Nop>, R<kAbsX, Compare<kA>>, M<kAbsXW, Dec>, M<kAbsXW, kDcp>,  // D_
   R<Imm, Compare<kX>>, R<IndX, Sbc>,  R<Imm, Nop>,    M<IndX, kIsc>,    R<Zp, Compare<kX>>, R<Zp, Sbc>, M<Zp, Inc>,   M<Zp, kIsc>,    Implied<Inx>,     R<Imm, Sbc>,      Implied<NoOp>,     R<Imm, Sbc>,    R<Abs, Compare<kX>>, R<Abs, Sbc>, M<Abs, Inc>,     M<Abs, kIsc>,     // E_
   Branch<kFlagZ, 1>,  R<kIndY, Sbc>,  Halt,           M<kIndYW, kIsc>,  R<kZpX, Nop>,   R<kZpX, Sbc>,  M<kZpX, Inc>,  M<kZpX, kIsc>,  Implied<Sed>,     R<kAbsY, Sbc>,    Implied<NoOp>,     M<kAbsYW, kIsc>, R<kAbsX, Nop>,    R<kAbsX, Sbc>,  M<kAbsXW, Inc>,  M<kAbsXW, kIsc>,  // F_
};
// clang-format on
#undef R
#undef M

// Reads the vector through the board's page without a bus cycle (power-on).
uint16_t PeekVector(uint32_t address) {
    const uint8_t lo = cpuReadPage[15](address);
    const uint8_t hi = cpuReadPage[15](address + 1);
    return static_cast<uint16_t>(lo | (hi << 8));
}

}  // namespace

void CpuCycleStateForOldState() {
    std::memset(&cpuCycle, 0, sizeof cpuCycle);
    cpuCycle.irqSources = cpu.irqLine ? 0u : uint32_t{kIrqBoard};
    cpuCycle.nmiLine = (ppu.vblankFlag & 0x80) && ppu.nmiEnabled;
    cpuCycle.takeNmi = cpu.nmiPending && !cpu.interruptDelay;
    cpuCycle.takeIrq =
        !cpu.nmiPending && cpu.irqLine == 0 && !cpu.interruptDelay && !(cpu.p & kFlagI);
    cpu.interruptDelay = 0;
}

void CpuSyncPpu() {
    const uint32_t owed = frameBookkeeping.ppuCyclesOwed;
    ppuOwedBase = 3 * cpuCycle.cycles - owed;
    CatchUpPpu(static_cast<int32_t>(owed));
    ppuEventCycle = 0;
    dutyCycle = 0;
    // The inputs' history and the last write may belong to another time
    // line (a loaded state).
    interruptInputs = InterruptInputs{};
    lastWriteCycle = 0;
    NoteUnusualStep();
    UpdateInterruptInputs();
}

void CpuReachPpu() {
    ReachPpu();
}

void CpuRecheckDuties() {
    dutyCycle = 0;
}

void CpuCatchUpPpu() {
    const int32_t owed = PpuOwed(0);
    frameBookkeeping.ppuCyclesOwed = static_cast<uint32_t>(owed);
    CatchUpPpu(owed);
}

bool CpuWriteFollowsWrite() {
    return writeFollowsWrite;
}

namespace {

// One step: the reset's cycles, a halted cycle, an interrupt entry or an
// instruction. Whether the next step enters a handler is decided from what
// the interrupt inputs asked for at the step's polling cycle; most steps see
// nothing asked and leave the flags as they were (clear).
// The unusual part of a step: the reset's cycles (7 after power-on or
// reset) come first; then a halted cycle or an interrupt entry takes the
// step's place (true), or an instruction follows as usual (false).
bool UnusualStep() {
    for (; cpu.extraCycles > 0; --cpu.extraCycles) IdleCycle();
    if (cpuCycle.halted) {
        IdleCycle();
        return true;
    }
    if (!cpuCycle.takeNmi && !cpuCycle.takeIrq) return false;
    // The interrupt sequence: two reads at PC (the fetch, dropped, and its
    // repeat), then the pushes and the vector.
    Read(cpu.pc);
    Read(cpu.pc);
    EnterInterrupt(cpu.pc, false);
    return true;
}

[[gnu::always_inline]] inline void Step() {
    pollBack = 1;
    if (!unusualStep || !UnusualStep()) [[likely]] {
        const uint8_t opcode = Fetch();
        cpu.opcode = opcode;
        kOpHandlers[opcode]();
    }
    const uint8_t poll = pollBack ? InputsAtEndOf(cpuCycle.cycles - pollBack) : 0;
    if (poll | cpuCycle.takeNmi | cpuCycle.takeIrq) [[unlikely]] {
        cpuCycle.takeNmi = poll & 1;
        cpuCycle.takeIrq = (poll >> 1) & 1;
    }
    if (unusualStep | poll) [[unlikely]]
        NoteUnusualStep();
}

}  // namespace

int32_t CpuStep() {
    const uint64_t start = cpuCycle.cycles;
    Step();
    return static_cast<int32_t>(cpuCycle.cycles - start);
}

uint32_t CpuRunToFrameEnd() {
    uint64_t start;
    do {
        start = cpuCycle.cycles;
        Step();
    } while (!ppuFrameReady);
    return static_cast<uint32_t>(cpuCycle.cycles - start);
}

void CpuPowerOn() {
    std::memset(&cpu, 0, sizeof cpu);
    std::memset(&cpuCycle, 0, sizeof cpuCycle);
    interruptInputs = InterruptInputs{};
    ppuEventCycle = 0;
    dutyCycle = 0;
    ppuOwedBase = 0;
    std::memset(cpu.cpuRam, 0xFF, sizeof cpu.cpuRam);
    cpu.cpuRam[0x0008] = 0xF7;
    cpu.cpuRam[0x0009] = 0xEF;
    cpu.cpuRam[0x000A] = 0xDF;
    cpu.cpuRam[0x000F] = 0xBF;
    cpu.p = kFlagI;
    cpu.irqLine = 1;
    cpu.pc = PeekVector(0xFFFC);
    cpu.extraCycles = 7;
    cpu.s = static_cast<uint8_t>(cpu.s - 3);
    UpdateInterruptInputs();
    NoteUnusualStep();
}

void CpuReset() {
    cpu.p |= kFlagI;
    cpu.pc = PeekVector(0xFFFC);
    cpu.extraCycles = 7;
    cpu.s = static_cast<uint8_t>(cpu.s - 3);
    cpu.dmaActive = 0;
    cpu.dmaCount = 0;
    cpuCycle.halted = 0;
    cpuCycle.takeNmi = cpuCycle.takeIrq = 0;
    cpu.nmiPending = 0;
    UpdateInterruptInputs();
    NoteUnusualStep();
}

}  // namespace morvel
