// The 6502-family CPU: one instruction, interrupt entry or sprite-DMA byte per
// CpuStep. No decimal mode, no dummy reads or writes; the stack lives directly
// in internal RAM at $0100-$01FF.
#include "core/cpu.h"

#include <cstring>

#include "core/memory_map.h"

namespace morvel {

CpuBlock cpu;
CpuCycleState cpuCycle;

void CpuCycleStateForOldState() {
    std::memset(&cpuCycle, 0, sizeof cpuCycle);
    cpuCycle.irqSources = cpu.irqLine ? 0u : uint32_t{kIrqBoard};
}

namespace {

using OpHandler = void (*)();
using AddressMode = uint32_t (*)();

// ---- Helpers ---------------------------------------------------------------

inline uint8_t Fetch() {
    uint8_t value = CpuRead(cpu.pc);
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
    cpu.cpuRam[0x100 + cpu.s] = value;
    cpu.s = static_cast<uint8_t>(cpu.s - 1);
}

inline uint8_t Pull() {
    cpu.s = static_cast<uint8_t>(cpu.s + 1);
    return cpu.cpuRam[0x100 + cpu.s];
}

inline void PushWord(uint16_t value) {
    Push(static_cast<uint8_t>(value >> 8));
    Push(static_cast<uint8_t>(value));
}

// Vectors are read through the handler of page 15, whatever board is installed.
inline uint16_t ReadVector(uint32_t address) {
    uint8_t lo = cpuReadPage[15](address);
    uint8_t hi = cpuReadPage[15](address + 1);
    return static_cast<uint16_t>(lo | (hi << 8));
}

// Interrupt and BRK entry. The pushed status has bit 5 set; bit 4 (B) is set
// only in the copy pushed by BRK, so a handler can tell the two apart. All
// three entries set I so an IRQ cannot nest inside the handler.
inline void EnterInterrupt(uint16_t returnAddress, bool fromBrk, uint32_t vector) {
    PushWord(returnAddress);
    uint8_t pushed = static_cast<uint8_t>(cpu.p | kFlagU);
    pushed = static_cast<uint8_t>(fromBrk ? (pushed | kFlagB) : (pushed & ~kFlagB));
    Push(pushed);
    cpu.p |= kFlagI;
    cpu.pc = ReadVector(vector);
}

// ---- Addressing modes --------------------------------------------------------
// Each returns the effective address. The page-cross penalty sets extraCycles
// to 1; only instructions that only read use the penalised variants.

uint32_t Imm() {
    return cpu.pc++;
}
uint32_t Zp() {
    return Fetch();
}
uint32_t ZpX() {
    return (Fetch() + cpu.x) & 0xFF;
}
uint32_t ZpY() {
    return (Fetch() + cpu.y) & 0xFF;
}
uint32_t Abs() {
    uint32_t lo = Fetch();
    return lo | (static_cast<uint32_t>(Fetch()) << 8);
}

template <bool kPenalty>
uint32_t AbsIndexed(uint8_t index) {
    uint32_t base = Abs();
    uint32_t sum = (base + index) & 0xFFFF;
    if (kPenalty && ((sum ^ base) & 0xFF00)) cpu.extraCycles = 1;
    return sum;
}
uint32_t AbsX() {
    return AbsIndexed<true>(cpu.x);
}
uint32_t AbsY() {
    return AbsIndexed<true>(cpu.y);
}
uint32_t AbsXW() {
    return AbsIndexed<false>(cpu.x);
}
uint32_t AbsYW() {
    return AbsIndexed<false>(cpu.y);
}

uint32_t IndX() {
    uint32_t pointer = (Fetch() + cpu.x) & 0xFF;
    uint32_t lo = CpuRead(pointer);
    uint32_t hi = CpuRead((pointer + 1) & 0xFF);
    return lo | (hi << 8);
}

template <bool kPenalty>
uint32_t IndirectIndexed() {
    uint32_t pointer = Fetch();
    uint32_t lo = CpuRead(pointer);
    uint32_t hi = CpuRead((pointer + 1) & 0xFF);
    uint32_t base = lo | (hi << 8);
    uint32_t sum = (base + cpu.y) & 0xFFFF;
    if (kPenalty && ((sum ^ base) & 0xFF00)) cpu.extraCycles = 1;
    return sum;
}
uint32_t IndY() {
    return IndirectIndexed<true>();
}
uint32_t IndYW() {
    return IndirectIndexed<false>();
}

template <AddressMode kMode>
inline uint8_t Operand() {
    cpu.effectiveAddress = kMode();
    return CpuRead(cpu.effectiveAddress);
}

// ---- Loads, stores, logic, arithmetic ---------------------------------------

template <AddressMode M>
void Lda() {
    cpu.a = Operand<M>();
    SetNZ(cpu.a);
}
template <AddressMode M>
void Ldx() {
    cpu.x = Operand<M>();
    SetNZ(cpu.x);
}
template <AddressMode M>
void Ldy() {
    cpu.y = Operand<M>();
    SetNZ(cpu.y);
}
template <AddressMode M>
void Sta() {
    cpu.effectiveAddress = M();
    CpuWrite(cpu.effectiveAddress, cpu.a);
}
template <AddressMode M>
void Stx() {
    cpu.effectiveAddress = M();
    CpuWrite(cpu.effectiveAddress, cpu.x);
}
template <AddressMode M>
void Sty() {
    cpu.effectiveAddress = M();
    CpuWrite(cpu.effectiveAddress, cpu.y);
}
template <AddressMode M>
void Ora() {
    cpu.a |= Operand<M>();
    SetNZ(cpu.a);
}
template <AddressMode M>
void And() {
    cpu.a &= Operand<M>();
    SetNZ(cpu.a);
}
template <AddressMode M>
void Eor() {
    cpu.a ^= Operand<M>();
    SetNZ(cpu.a);
}

inline void AddWithCarry(uint8_t m) {
    uint32_t sum = cpu.a + m + (cpu.p & kFlagC);
    uint8_t result = static_cast<uint8_t>(sum);
    SetFlag(kFlagC, sum > 0xFF);
    SetFlag(kFlagV, (~(cpu.a ^ m) & (cpu.a ^ result) & 0x80) != 0);
    cpu.a = result;
    SetNZ(result);
}

template <AddressMode M>
void Adc() {
    AddWithCarry(Operand<M>());
}

template <AddressMode M>
void Sbc() {
    uint8_t m = Operand<M>();
    uint32_t diff = (cpu.a - m - 1 + (cpu.p & kFlagC)) & 0xFFFF;
    uint8_t result = static_cast<uint8_t>(diff);
    SetFlag(kFlagC, (diff & 0x100) == 0);
    SetFlag(kFlagV, ((cpu.a ^ result) & (cpu.a ^ m) & 0x80) != 0);
    cpu.a = result;
    SetNZ(result);
}

inline void Compare(uint8_t reg, uint8_t m) {
    SetFlag(kFlagC, reg >= m);
    SetNZ(static_cast<uint8_t>(reg - m));
}
template <AddressMode M>
void Cmp() {
    Compare(cpu.a, Operand<M>());
}
template <AddressMode M>
void Cpx() {
    Compare(cpu.x, Operand<M>());
}
template <AddressMode M>
void Cpy() {
    Compare(cpu.y, Operand<M>());
}

template <AddressMode M>
void Bit() {
    uint8_t m = Operand<M>();
    cpu.p = static_cast<uint8_t>((cpu.p & ~(kFlagN | kFlagV)) | (m & (kFlagN | kFlagV)));
    SetFlag(kFlagZ, (cpu.a & m) == 0);
}

// ---- Read-modify-write: one read, one write of the result --------------------

using ModifyFn = uint8_t (*)(uint8_t);

uint8_t ShiftLeft(uint8_t v) {
    SetFlag(kFlagC, v & 0x80);
    v = static_cast<uint8_t>(v << 1);
    SetNZ(v);
    return v;
}
uint8_t ShiftRight(uint8_t v) {
    SetFlag(kFlagC, v & 0x01);
    v = static_cast<uint8_t>(v >> 1);
    SetNZ(v);
    return v;
}
uint8_t RotateLeft(uint8_t v) {
    uint8_t carry = cpu.p & kFlagC;
    SetFlag(kFlagC, v & 0x80);
    v = static_cast<uint8_t>((v << 1) | carry);
    SetNZ(v);
    return v;
}
uint8_t RotateRight(uint8_t v) {
    uint8_t carry = (cpu.p & kFlagC) ? 0x80 : 0;
    SetFlag(kFlagC, v & 0x01);
    v = static_cast<uint8_t>((v >> 1) | carry);
    SetNZ(v);
    return v;
}
uint8_t Increment(uint8_t v) {
    v = static_cast<uint8_t>(v + 1);
    SetNZ(v);
    return v;
}
uint8_t Decrement(uint8_t v) {
    v = static_cast<uint8_t>(v - 1);
    SetNZ(v);
    return v;
}

template <AddressMode M, ModifyFn F>
void Modify() {
    cpu.effectiveAddress = M();
    uint8_t value = CpuRead(cpu.effectiveAddress);
    CpuWrite(cpu.effectiveAddress, F(value));
}
template <ModifyFn F>
void ModifyA() {
    cpu.a = F(cpu.a);
}

// ---- Branches, jumps, stack ----------------------------------------------------

template <uint8_t kFlag, bool kSet>
void Branch() {
    if (((cpu.p & kFlag) != 0) != kSet) {
        cpu.pc = static_cast<uint16_t>(cpu.pc + 1);
        cpu.extraCycles += 2;
        return;
    }
    int8_t offset = static_cast<int8_t>(CpuRead(cpu.pc));
    uint16_t next = static_cast<uint16_t>(cpu.pc + 1);
    uint16_t target = static_cast<uint16_t>(next + offset);
    cpu.extraCycles += ((target ^ next) & 0xFF00) ? 4 : 3;
    cpu.pc = target;
}

void JmpAbs() {
    cpu.pc = static_cast<uint16_t>(Abs());
}

// The pointer's high byte comes from the start of the same page when the
// pointer ends in $FF: JMP ($10FF) reads $10FF and $1000, as the 6502 does.
void JmpInd() {
    uint32_t pointer = Abs();
    uint32_t hiAddress = (pointer & 0xFF00) | ((pointer + 1) & 0x00FF);
    uint32_t lo = CpuRead(pointer);
    uint32_t hi = CpuRead(hiAddress);
    cpu.pc = static_cast<uint16_t>(lo | (hi << 8));
}

void Jsr() {
    uint32_t target = Abs();
    PushWord(static_cast<uint16_t>(cpu.pc - 1));
    cpu.pc = static_cast<uint16_t>(target);
}

void Rts() {
    uint32_t lo = Pull();
    uint32_t hi = Pull();
    cpu.pc = static_cast<uint16_t>((lo | (hi << 8)) + 1);
}

void Rti() {
    cpu.p = Pull();
    uint32_t lo = Pull();
    uint32_t hi = Pull();
    cpu.pc = static_cast<uint16_t>(lo | (hi << 8));
}

void Brk() {
    EnterInterrupt(static_cast<uint16_t>(cpu.pc + 1), true, 0xFFFE);
}

// The pushed copy has bits 4 and 5 set; the live status is left as it was.
void Php() {
    Push(static_cast<uint8_t>(cpu.p | kFlagB | kFlagU));
}
void Plp() {
    cpu.p = Pull();
}
void Pha() {
    Push(cpu.a);
}
void Pla() {
    cpu.a = Pull();
    SetNZ(cpu.a);
}

// ---- Implied ----------------------------------------------------------------------

void Clc() {
    cpu.p &= static_cast<uint8_t>(~kFlagC);
}
void Sec() {
    cpu.p |= kFlagC;
}
void Cli() {
    cpu.p &= static_cast<uint8_t>(~kFlagI);
    cpu.interruptDelay = 1;
}
void Sei() {
    cpu.p |= kFlagI;
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
    cpu.x = cpu.a;
    SetNZ(cpu.x);
}
void Tay() {
    cpu.y = cpu.a;
    SetNZ(cpu.y);
}
void Txa() {
    cpu.a = cpu.x;
    SetNZ(cpu.a);
}
void Tya() {
    cpu.a = cpu.y;
    SetNZ(cpu.a);
}
void Tsx() {
    cpu.x = cpu.s;
    SetNZ(cpu.x);
}
void Txs() {
    cpu.s = cpu.x;
}
void Inx() {
    cpu.x = static_cast<uint8_t>(cpu.x + 1);
    SetNZ(cpu.x);
}
void Iny() {
    cpu.y = static_cast<uint8_t>(cpu.y + 1);
    SetNZ(cpu.y);
}
void Dex() {
    cpu.x = static_cast<uint8_t>(cpu.x - 1);
    SetNZ(cpu.x);
}
void Dey() {
    cpu.y = static_cast<uint8_t>(cpu.y - 1);
    SetNZ(cpu.y);
}
void Nop() {}

// ---- Undocumented opcodes: no-operations of various lengths ----------------------

void Nop1() {}  // one byte
void Nop2() {
    cpu.pc = static_cast<uint16_t>(cpu.pc + 1);
}  // two bytes
void Nop0C() {
    cpu.pc = static_cast<uint16_t>(cpu.pc + 2);
}  // three bytes, no read
void NopAbsX() {
    cpu.effectiveAddress = AbsX();
}  // address formed, not read

using Sl = ModifyFn;
constexpr Sl kAsl = ShiftLeft, kLsr = ShiftRight, kRol = RotateLeft, kRor = RotateRight,
             kInc = Increment, kDec = Decrement;

// clang-format off
const OpHandler kOpHandlers[256] = {
// _0              _1            _2    _3    _4           _5           _6                   _7    _8    _9           _A              _B    _C            _D           _E                   _F
   Brk,            Ora<IndX>,    Nop2, Nop2, Nop2,        Ora<Zp>,     Modify<Zp, kAsl>,    Nop2, Php,  Ora<Imm>,    ModifyA<kAsl>,  Nop2, Nop0C,        Ora<Abs>,    Modify<Abs, kAsl>,   Nop2,  // 0_
   Branch<kFlagN, false>, Ora<IndY>, Nop2, Nop2, Nop2,    Ora<ZpX>,    Modify<ZpX, kAsl>,   Nop2, Clc,  Ora<AbsY>,   Nop1,           Nop2, NopAbsX,      Ora<AbsX>,   Modify<AbsXW, kAsl>, Nop2,  // 1_
   Jsr,            And<IndX>,    Nop2, Nop2, Bit<Zp>,     And<Zp>,     Modify<Zp, kRol>,    Nop2, Plp,  And<Imm>,    ModifyA<kRol>,  Nop2, Bit<Abs>,     And<Abs>,    Modify<Abs, kRol>,   Nop2,  // 2_
   Branch<kFlagN, true>, And<IndY>, Nop2, Nop2, Nop2,     And<ZpX>,    Modify<ZpX, kRol>,   Nop2, Sec,  And<AbsY>,   Nop1,           Nop2, NopAbsX,      And<AbsX>,   Modify<AbsXW, kRol>, Nop2,  // 3_
   Rti,            Eor<IndX>,    Nop2, Nop2, Nop2,        Eor<Zp>,     Modify<Zp, kLsr>,    Nop2, Pha,  Eor<Imm>,    ModifyA<kLsr>,  Nop2, JmpAbs,       Eor<Abs>,    Modify<Abs, kLsr>,   Nop2,  // 4_
   Branch<kFlagV, false>, Eor<IndY>, Nop2, Nop2, Nop2,    Eor<ZpX>,    Modify<ZpX, kLsr>,   Nop2, Cli,  Eor<AbsY>,   Nop1,           Nop2, NopAbsX,      Eor<AbsX>,   Modify<AbsXW, kLsr>, Nop2,  // 5_
   Rts,            Adc<IndX>,    Nop2, Nop2, Nop2,        Adc<Zp>,     Modify<Zp, kRor>,    Nop2, Pla,  Adc<Imm>,    ModifyA<kRor>,  Nop2, JmpInd,       Adc<Abs>,    Modify<Abs, kRor>,   Nop2,  // 6_
   Branch<kFlagV, true>, Adc<IndY>, Nop2, Nop2, Nop2,     Adc<ZpX>,    Modify<ZpX, kRor>,   Nop2, Sei,  Adc<AbsY>,   Nop1,           Nop2, NopAbsX,      Adc<AbsX>,   Modify<AbsXW, kRor>, Nop2,  // 7_
   Nop2,           Sta<IndX>,    Nop2, Nop2, Sty<Zp>,     Sta<Zp>,     Stx<Zp>,             Nop2, Dey,  Nop2,        Txa,            Nop2, Sty<Abs>,     Sta<Abs>,    Stx<Abs>,            Nop2,  // 8_
   Branch<kFlagC, false>, Sta<IndYW>, Nop2, Nop2, Sty<ZpX>, Sta<ZpX>,  Stx<ZpY>,            Nop2, Tya,  Sta<AbsYW>,  Txs,            Nop2, Nop2,         Sta<AbsXW>,  Nop2,                Nop2,  // 9_
   Ldy<Imm>,       Lda<IndX>,    Ldx<Imm>, Nop2, Ldy<Zp>, Lda<Zp>,     Ldx<Zp>,             Nop2, Tay,  Lda<Imm>,    Tax,            Nop2, Ldy<Abs>,     Lda<Abs>,    Ldx<Abs>,            Nop2,  // A_
   Branch<kFlagC, true>, Lda<IndY>, Nop2, Nop2, Ldy<ZpX>, Lda<ZpX>,    Ldx<ZpY>,            Nop2, Clv,  Lda<AbsY>,   Tsx,            Nop2, Ldy<AbsX>,    Lda<AbsX>,   Ldx<AbsY>,           Nop2,  // B_
   Cpy<Imm>,       Cmp<IndX>,    Nop2, Nop2, Cpy<Zp>,     Cmp<Zp>,     Modify<Zp, kDec>,    Nop2, Iny,  Cmp<Imm>,    Dex,            Nop2, Cpy<Abs>,     Cmp<Abs>,    Modify<Abs, kDec>,   Nop2,  // C_
   Branch<kFlagZ, false>, Cmp<IndY>, Nop2, Nop2, Nop2,    Cmp<ZpX>,    Modify<ZpX, kDec>,   Nop2, Cld,  Cmp<AbsY>,   Nop1,           Nop2, NopAbsX,      Cmp<AbsX>,   Modify<AbsXW, kDec>, Nop2,  // D_
   Cpx<Imm>,       Sbc<IndX>,    Nop2, Nop2, Cpx<Zp>,     Sbc<Zp>,     Modify<Zp, kInc>,    Nop2, Inx,  Sbc<Imm>,    Nop,            Nop2, Cpx<Abs>,     Sbc<Abs>,    Modify<Abs, kInc>,   Nop2,  // E_
   Branch<kFlagZ, true>, Sbc<IndY>, Nop2, Nop2, Nop2,     Sbc<ZpX>,    Modify<ZpX, kInc>,   Nop2, Sed,  Sbc<AbsY>,   Nop1,           Nop2, NopAbsX,      Sbc<AbsX>,   Modify<AbsXW, kInc>, Nop2,  // F_
};
// clang-format on

int32_t DmaStep() {
    uint8_t value = CpuRead(cpu.dmaSource & 0xFFFF);
    cpu.dmaLatch = value;
    cpuWritePage[2](0x2004, value);
    cpu.dmaSource++;
    cpu.dmaCount++;
    if (cpu.dmaCount >= 256) {
        cpu.dmaCount = 0;
        cpu.dmaActive = 0;
        return 3;
    }
    return 2;
}

}  // namespace

int32_t CpuStep() {
    if (cpu.dmaActive) return DmaStep();

    if (cpu.nmiPending) {
        if (!cpu.interruptDelay) {
            EnterInterrupt(cpu.pc, false, 0xFFFA);
            cpu.nmiPending = 0;
            cpu.irqLine = 1;
            return 7;
        }
        cpu.interruptDelay = 0;
    } else if (cpu.irqLine == 0) {
        if (!cpu.interruptDelay && !(cpu.p & kFlagI)) {
            EnterInterrupt(cpu.pc, false, 0xFFFE);
            return 7;
        }
        cpu.interruptDelay = 0;
    }

    uint8_t opcode = Fetch();
    cpu.opcode = opcode;
    kOpHandlers[opcode]();
    int32_t cycles = cpuCycleTable[opcode] + cpu.extraCycles;
    cpu.extraCycles = 0;
    return cycles;
}

void CpuPowerOn() {
    std::memset(&cpu, 0, sizeof cpu);
    std::memset(&cpuCycle, 0, sizeof cpuCycle);
    std::memset(cpu.cpuRam, 0xFF, sizeof cpu.cpuRam);
    cpu.cpuRam[0x0008] = 0xF7;
    cpu.cpuRam[0x0009] = 0xEF;
    cpu.cpuRam[0x000A] = 0xDF;
    cpu.cpuRam[0x000F] = 0xBF;
    cpu.p = kFlagI;
    cpu.irqLine = 1;
    cpu.pc = ReadVector(0xFFFC);
    cpu.extraCycles = 7;
    cpu.s = static_cast<uint8_t>(cpu.s - 3);
}

void CpuReset() {
    cpu.p |= kFlagI;
    cpu.pc = ReadVector(0xFFFC);
    cpu.extraCycles = 7;
    cpu.s = static_cast<uint8_t>(cpu.s - 3);
}

}  // namespace morvel
