#include "core/save_state_checks.h"

#include <cmath>
#include <cstring>

#include "apu/apu_state.h"
#include "cart/board.h"
#include "cart/board_table.h"
#include "cart/cartridge.h"
#include "core/save_state.h"
#include "core/state_rules.h"

namespace morvel {

namespace {

// The longest CPU step: an instruction after the 7 cycles of a reset.
constexpr uint32_t kMaxStepCycles = 32;
// The dots of a frame, the most the PPU can owe or have done within one.
constexpr uint32_t kFrameDots = 341 * 262;

// The dots owed go below zero when a CPU step of no cycles (an opcode that
// halts the 6502) ends a frame after the one dot the PPU always runs: the
// frame loop reads them as signed, and the PPU still runs at least one dot
// per step, so any negative count is harmless.
bool FrameFits(const FrameBookkeeping& f, const PpuState& p, std::string& why) {
    constexpr int32_t kMostDots = static_cast<int32_t>(kFrameDots + 3 * kMaxStepCycles);
    return AllHold(
        {
            {f.lastCpuCycles <= kMaxStepCycles, "length of the last CPU step"},
            {static_cast<int32_t>(f.ppuCyclesOwed) <= kMostDots, "count of dots owed"},
            {p.ppuCyclesDone >= 0 && p.ppuCyclesDone <= kMostDots, "count of dots done"},
        },
        why);
}

bool CpuFits(const CpuBlock& c, std::string& why) {
    return AllHold(
        {
            {c.effectiveAddress <= 0xFFFF, "CPU effective address"},
            {c.nmiPending <= 1, "CPU NMI flag"},
            {c.irqLine <= 1, "CPU interrupt line"},
            {c.extraCycles >= 0 && c.extraCycles <= 7, "CPU extra cycles"},
            {c.interruptDelay <= 1, "CPU interrupt delay"},
            {c.dmaActive <= 1, "sprite DMA flag"},
            // The source is the page written to $4014 plus the count; after
            // the last byte of page $FF it has moved one past $FFFF.
            {c.dmaSource <= (c.dmaActive ? 0xFFFFu : 0x10000u), "sprite DMA source"},
            {c.dmaCount <= 255 && (c.dmaSource & 0xFF) == c.dmaCount &&
                 (c.dmaActive || c.dmaCount == 0),
             "sprite DMA count"},
            {c.opcode <= 0xFF, "CPU opcode"},
        },
        why);
}

bool SecondaryOamFits(const SecondaryOamEntry& e) {
    // Power-on fills the entries with $FF; evaluation writes rows of 0-15.
    return (e.row <= 15 || e.row == 0xFF) && (Flag(e.sprite0, 0x80) || e.sprite0 == 0xFF);
}

bool SpriteUnitFits(const SpriteUnit& u) {
    return (Flag(u.sprite0, 0x80) || u.sprite0 == 0xFF) &&
           (u.xCounter <= 255 || u.xCounter == 0xFFFFFFFF);
}

bool PpuFits(const PpuState& p, std::string& why) {
    bool palette = true;
    for (uint8_t entry : p.paletteRam) palette = palette && entry <= 0x3F;
    bool sprites = true;
    for (const SecondaryOamEntry& e : p.secondaryOam) sprites = sprites && SecondaryOamFits(e);
    for (const SpriteUnit& u : p.spriteUnits) sprites = sprites && SpriteUnitFits(u);
    return AllHold(
        {
            {p.vramAddr <= 0x7FFF, "PPU address"},
            {p.tempAddr <= 0x7FFF, "PPU temporary address"},
            {p.scanline >= 0 && p.scanline <= 261, "scanline"},
            {p.dot >= 0 && p.dot <= 340, "dot"},
            {p.writeToggle <= 1, "PPU write toggle"},
            {p.vramIncrement == 1 || p.vramIncrement == 32, "PPU address increment"},
            {Flag(p.nmiEnabled, 0x80), "NMI enable"},
            {Flag(p.bgPatternBase, 0x1000), "background pattern table"},
            {Flag(p.vblankFlag, 0x80), "vertical blank flag"},
            {palette, "palette"},
            {p.bgLatchLo <= 0xFF && p.bgLatchHi <= 0xFF, "background pattern latches"},
            {p.attrLatch <= 0xFF, "attribute latch"},
            {p.attrBit0 <= 1 && p.attrBit1 <= 1, "attribute bits"},
            {p.fineX <= 7, "fine X scroll"},
            {Flag(p.showBackground, 0x08), "background enable"},
            {p.readScratch <= 0xFF && p.readBuffer <= 0xFF, "PPU read buffer"},
            {p.clipBackground <= 1, "background clipping"},
            {p.oddFrame <= 1, "odd frame flag"},
            {p.fetchAddr <= 0x3FFF && p.attrAddr <= 0x3FFF, "PPU fetch address"},
            {(p.tileOffset & ~0xFF0u) == 0, "tile offset"},
            {p.nmiArmed <= 1, "armed NMI"},
            {p.evalIndex <= 63, "sprite evaluation index"},
            {p.lineSpriteCount <= 8, "count of sprites on the line"},
            {p.fetchSlot <= 7, "sprite fetch slot"},
            {p.spriteFetchAddr <= 0x1FFF, "sprite fetch address"},
            {sprites, "sprite units"},
            {p.oamAddr <= 0xFF, "OAM address"},
            {p.foundSprites <= 8, "count of sprites found"},
            {Flag(p.spriteOverflow, 0x20), "sprite overflow flag"},
            {Flag(p.sprite0Hit, 0x40), "sprite 0 hit flag"},
            {Flag(p.spritePatternBase, 0x1000), "sprite pattern table"},
            {p.spriteHeightMinus1 == 7 || p.spriteHeightMinus1 == 15, "sprite height"},
            {p.clipSprites <= 1, "sprite clipping"},
            {Flag(p.showSprites, 0x10), "sprite enable"},
            {p.vblankSuppress <= 1, "vertical blank suppression"},
        },
        why);
}

bool EnvelopeFits(const Envelope& e) {
    return Flag(e.loop, 0x20) && Flag(e.constant, 0x10) && e.volume <= 15 && e.divider <= 15 &&
           e.period <= 15 && e.decay <= 15 && e.start <= 1;
}

bool SweepFits(const SweepUnit& s) {
    return Flag(s.enabled, 0x80) && s.divider <= 7 && s.shift <= 7 && s.notMuted <= 1 &&
           Flag(s.negate, 0x08) && s.period <= 7 && s.reload <= 1;
}

bool PulseFits(const PulseChannel& c, uint32_t enabledBit) {
    return EnvelopeFits(c.env) && Flag(c.lengthHalt, 0x20) && c.length <= 254 &&
           Flag(c.enabled, enabledBit) && c.timer <= 0x7FF && c.period <= 0x7FF &&
           c.halfToggle <= 1 && c.step <= 7 && c.duty <= 3 && c.output <= 1 && SweepFits(c.sweep);
}

bool TriangleFits(const TriangleChannel& t) {
    return t.linear <= 0x7F && t.linearReload <= 1 && t.linearValue <= 0x7F &&
           Flag(t.control, 0x80) && t.timer <= 0x7FF && t.periodPlus1 <= 0x800 &&
           Flag(t.lengthHalt, 0x80) && t.length <= 254 && Flag(t.enabled, 4) && t.output <= 15 &&
           t.step <= 32;
}

bool NoiseFits(const NoiseChannel& n) {
    bool period = false;
    for (uint16_t cycles : noisePeriodTable) period = period || n.reload == cycles + 1u;
    return n.shift <= 0x7FFF && Flag(n.mode, 0x80) && period && n.timer <= 4068 &&
           EnvelopeFits(n.env) && Flag(n.lengthHalt, 0x20) && n.length <= 254 && Flag(n.enabled, 8);
}

bool DmcFits(const DmcChannel& d) {
    bool rate = false;
    for (uint16_t cycles : dmcRateTable) rate = rate || d.rate == cycles;
    constexpr uint32_t kLongestSample = 255 * 16 + 1;
    return d.flags <= 3 && rate && d.timer < 428 && d.level <= 127 && d.address <= 0xFFFF &&
           d.start <= 0xFFC0 && d.remaining <= kLongestSample && d.length <= kLongestSample &&
           d.buffer <= 0xFF && d.levelOut <= 127 && d.irqFlag <= 1 && d.silence <= 1 &&
           Flag(d.irqEnable, 0x80) && d.bitsLeft <= 8;
}

bool ApuFits(const ApuState& a, std::string& why) {
    return AllHold(
        {
            {a.frameCycle <= 37281, "frame counter cycle"},
            {a.frameStep <= 4, "frame counter step"},
            {a.lastStatusWrite <= 0xFF, "last $4015 value"},
            {PulseFits(a.pulse1, 1), "first pulse channel"},
            {PulseFits(a.pulse2, 2), "second pulse channel"},
            {TriangleFits(a.tri), "triangle channel"},
            {NoiseFits(a.noise), "noise channel"},
            {DmcFits(a.dmc), "DMC channel"},
            {a.frameIrqInhibit <= 1 && a.frameIrqFlag <= 1, "frame interrupt flags"},
            {Flag(a.fiveStepMode, 0x80), "frame counter mode"},
            {a.pad1ReadCount <= 7 && a.pad2ReadCount <= 7, "controller read counts"},
        },
        why);
}

bool SamplesFit(const SampleStage& s, std::string& why) {
    // The mix of one cycle is at most 1, so the sum stays below the cycle count.
    return AllHold(
        {
            {s.sampleCycleCount <= 0xFFFF, "count of cycles in the sample"},
            {s.sampleCount <= kSampleBufferLength, "sample count"},
            {std::isfinite(s.sampleAccumulator) && s.sampleAccumulator >= 0.0f &&
                 s.sampleAccumulator <= 65536.0f,
             "sample in progress"},
        },
        why);
}

bool WorkRamFits(const WorkRamBlock& w, std::string& why) {
    return AllHold(
        {
            {w.prgRamWritable <= 1, "work RAM write flag"},
            // 1 after a load, the MMC3's register bit $80 later.
            {w.prgRamEnabled <= 1 || w.prgRamEnabled == 0x80, "work RAM enable"},
        },
        why);
}

// Only the windows at $8000-$FFFF and the eight pattern pages are read; the
// bank counts are the cartridge's and are not taken from the slot.
bool BanksFit(const BankNumbers& b, std::string& why) {
    bool prg = true;
    for (int page = 8; page < 16; ++page) prg = prg && b.prgPageBank[page] < prgUnitCount;
    bool chr = true;
    for (int page = 0; page < 8; ++page) chr = chr && b.chrPageBank[page] < chrUnitCount;
    return AllHold(
        {
            {prg, "PRG bank (beyond this cartridge's program)"},
            {chr, "CHR bank (beyond this cartridge's pattern data)"},
            {(b.mirroringState & ~kMirroringChosen) <= kMirrorFourScreen, "mirroring"},
        },
        why);
}

bool BoardExtrasFit(const uint8_t* extras, std::string& why) {
    const SupportedBoard* board = FindSupportedBoard(static_cast<int32_t>(mapperNumber));
    if (!extras || !board || !board->extras.fits) return true;
    return board->extras.fits(extras, why);
}

}  // namespace

bool SlotFitsCartridge(const StateSlot& slot, const uint8_t* boardExtras, std::string& why) {
    return FrameFits(slot.frame, slot.ppu, why) && CpuFits(slot.cpu, why) &&
           PpuFits(slot.ppu, why) && ApuFits(slot.apu, why) && SamplesFit(slot.samples, why) &&
           WorkRamFits(slot.workRam, why) && BanksFit(slot.banks, why) &&
           BoardExtrasFit(boardExtras, why);
}

}  // namespace morvel
