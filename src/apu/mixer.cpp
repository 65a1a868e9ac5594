// Mixing the five channels into 16-bit samples, one every samplesDivider CPU
// cycles, and the drive of the whole APU over a stretch of cycles.
#include <cmath>
#include <initializer_list>

#include "apu/channel_timers.h"
#include "core/cpu.h"

namespace morvel {

SampleStage sampleStage;
float pulseMixTable[32];
float tndMixTable[204];
uint32_t samplesDivider = 40;
uint32_t soundMuted;
int32_t volumeDb;
double volumeFactor = 1.0;

namespace {

constexpr float kSampleLimit = 32000.0f;

// Turns the summed mix of one sample into its 16-bit value: the average,
// scaled by the volume, truncated and clamped to 0..32000 (the mix is never
// negative, so silence is 0).
int16_t FinishSample(float accumulator, uint32_t divider) {
    float average = accumulator / static_cast<float>(divider);
    float scaled = static_cast<float>(static_cast<double>(average) * volumeFactor) * 32767.0f;
    if (std::isnan(scaled)) return 0;
    if (scaled > kSampleLimit) scaled = kSampleLimit;
    if (scaled < -kSampleLimit) scaled = -kSampleLimit;
    return static_cast<int16_t>(static_cast<int32_t>(scaled));
}

}  // namespace

// Nonlinear mixing of the console's output stage: one table for the two
// pulses, one for triangle, noise and DMC together (weights 3, 2, 1).
void BuildMixerTables() {
    pulseMixTable[0] = 0.0f;
    for (int n = 1; n < 32; ++n)
        pulseMixTable[n] = static_cast<float>(95.52 / (8128.0 / n + 100.0));
    tndMixTable[0] = 0.0f;
    for (int n = 1; n < 204; ++n)
        tndMixTable[n] = static_cast<float>(163.67 / (24329.0 / n + 100.0));
}

void SetVolumeDb(int32_t db) {
    if (db < -36) db = -36;
    if (db > 8) db = 8;
    volumeDb = db;
    volumeFactor = std::pow(1.122018454, db);
}

namespace {

// The mixer's output for the channels' current levels.
inline float MixNow() {
    uint32_t pulses = channel::PulseLevel(apu.pulse1) + channel::PulseLevel(apu.pulse2);
    uint32_t tnd = 3 * (apu.tri.output & 15u) + 2 * channel::NoiseLevel(apu.noise) +
                   (apu.dmc.levelOut & 0x7Fu);
    return pulseMixTable[pulses] + tndMixTable[tnd];
}

// The mix added once per cycle for n cycles, in order, as the cycle-by-cycle
// sum does it (float additions do not regroup).
inline float AddRepeated(float accumulator, float mix, uint32_t n) {
    for (; n >= 4; n -= 4) {
        accumulator += mix;
        accumulator += mix;
        accumulator += mix;
        accumulator += mix;
    }
    for (; n > 0; --n) accumulator += mix;
    return accumulator;
}

// A whole sample at one mix, from an empty sum, depends only on the mix and
// the divider: the last one is kept, as a held tone repeats it.
struct WholeSample {
    float mix = -1.0f;
    uint32_t divider = 0;
    float sum = 0.0f;
};
WholeSample wholeSample;

inline float WholeSampleSum(float mix, uint32_t divider) {
    WholeSample& w = wholeSample;
    if (w.mix != mix || w.divider != divider) {
        w.mix = mix;
        w.divider = divider;
        w.sum = AddRepeated(0.0f, mix, divider);
    }
    return w.sum;
}

// The sample in progress, kept in locals while the APU runs.
struct SampleMaker {
    float accumulator;
    uint32_t cycleCount;
    uint32_t divider;

    // A frame yields about 745 samples; the buffer's end is only reached by
    // a frame that never ends, and then samples are dropped.
    static void Store(int16_t sample, uint32_t times) {
        SampleStage& stage = sampleStage;
        const uint32_t room =
            stage.sampleCount < kSampleBufferLength ? kSampleBufferLength - stage.sampleCount : 0;
        for (uint32_t i = times < room ? times : room; i > 0; --i)
            stage.sampleBuffer[stage.sampleCount++] = sample;
    }

    // One cycle at `mix`; most of them fall inside a sample.
    void AddOne(float mix, bool muted) {
        if (cycleCount + 1 < divider) {
            if (!muted) accumulator += mix;
            ++cycleCount;
            return;
        }
        Add(mix, muted, 1);
    }

    // n cycles at one mix (none added while muted), finishing each sample
    // they complete. Whole samples from an empty sum all come out the same.
    void Add(float mix, bool muted, uint32_t n) {
        while (n > 0) {
            if (n >= divider && cycleCount == 0 && accumulator == 0.0f) {
                const float sum = muted ? 0.0f : WholeSampleSum(mix, divider);
                Store(FinishSample(sum, divider), n / divider);
                n %= divider;
                continue;
            }
            const uint32_t toSample = cycleCount < divider ? divider - cycleCount : 1;
            const uint32_t take = n < toSample ? n : toSample;
            if (!muted) accumulator = AddRepeated(accumulator, mix, take);
            cycleCount += take;
            n -= take;
            if (cycleCount >= divider) {
                Store(FinishSample(accumulator, divider), 1);
                accumulator = 0.0f;
                cycleCount = 0;
            }
        }
    }
};

// The frame counter and a DMC fetch on its way to being wanted need the whole
// cycle's work on their event cycles; in between only the count moves.
inline uint32_t FrameQuietCycles() {
    if (apuCycle.dmcDma == kDmcDmaLoad || apuCycle.dmcDma == kDmcDmaReload) return 0;
    return channel::FrameCounterQuietCycles();
}

// A unit's progress through a stretch of cycles, counted from its start: the
// cycle it has run up to and the cycle of its next event. A unit between
// events only counts, so it is brought up to date when it has an event, when
// the frame counter has one, and at the stretch's end.
struct Lane {
    uint32_t at;
    uint32_t next;
    void Plan(uint32_t quiet) { next = channel::ClipToLimit(uint64_t{at} + quiet + 1); }
};

// Longest stretch, so that lane cycles stay below channel::kNoLimit.
constexpr uint32_t kStretchLimit = 1u << 30;

// `count` cycles, the first numbered `first`: the mix holds between events,
// and a channel's event (a timer expiry that changes its level) runs only that
// channel; the frame counter's events and a DMC fetch on its way run the whole
// cycle as the console does. Gives exactly the cycle-by-cycle result.
void RunStretch(uint64_t first, uint32_t count, SampleMaker& maker, bool muted) {
    using namespace channel;
    PulseChannel& pulse1 = apu.pulse1;
    PulseChannel& pulse2 = apu.pulse2;
    TriangleChannel& triangle = apu.tri;
    NoiseChannel& noise = apu.noise;
    DmcChannel& dmc = apu.dmc;
    Lane frameLane{}, pulse1Lane{}, pulse2Lane{}, triangleLane{}, noiseLane{}, dmcLane{};
    auto planAll = [&] {
        frameLane.Plan(FrameQuietCycles());
        pulse1Lane.Plan(PulseQuietCycles(pulse1));
        pulse2Lane.Plan(PulseQuietCycles(pulse2));
        triangleLane.Plan(TriangleQuietCycles(triangle));
        noiseLane.Plan(NoiseQuietCycles(noise));
        dmcLane.Plan(DmcQuietCycles(dmc));
    };
    // Every unit up to cycle `to`, none having an event on the way.
    auto catchUpAll = [&](uint32_t to) {
        apu.frameCycle += to - frameLane.at;
        AdvancePulse(pulse1, to - pulse1Lane.at);
        AdvancePulse(pulse2, to - pulse2Lane.at);
        AdvanceTriangleTimer(triangle, to - triangleLane.at);
        AdvanceNoise(noise, to - noiseLane.at);
        AdvanceDmc(dmc, to - dmcLane.at);
        frameLane.at = pulse1Lane.at = pulse2Lane.at = to;
        triangleLane.at = noiseLane.at = dmcLane.at = to;
    };
    planAll();
    float mix = muted ? 0.0f : MixNow();
    uint32_t done = 0;
    for (;;) {
        uint32_t others = frameLane.next;
        for (uint32_t next : {pulse1Lane.next, pulse2Lane.next, noiseLane.next, dmcLane.next})
            others = next < others ? next : others;
        if (triangleLane.next < others && triangleLane.next <= count) {
            // The triangle's steps come before any other event: the other
            // levels hold while its own moves every period + 1 cycles (on
            // nearly every cycle for a triangle silenced by a period of 0 or 1).
            const uint32_t last = others - 1 < count ? others - 1 : count;
            const uint32_t period = triangle.periodPlus1 > 0 ? triangle.periodPlus1 : 1u;
            const float pulses = pulseMixTable[PulseLevel(pulse1) + PulseLevel(pulse2)];
            const uint32_t rest = 2 * NoiseLevel(noise) + (dmc.levelOut & 0x7Fu);
            AdvanceTriangleTimer(triangle, triangleLane.next - 1 - triangleLane.at);
            uint32_t step = triangle.step;
            for (uint32_t event = triangleLane.next; event <= last; event += period) {
                if (event - 1 > done) maker.Add(mix, muted, event - 1 - done);
                const uint32_t position = step >= 32 ? 0 : step;
                step = position + 1;
                triangle.output = triangleSequence[position];
                mix = muted ? 0.0f : pulses + tndMixTable[3 * (triangle.output & 15u) + rest];
                maker.AddOne(mix, muted);
                done = event;
            }
            triangle.step = step;
            triangle.timer = period - 1;
            triangleLane.at = done;
            triangleLane.Plan(TriangleQuietCycles(triangle));
            continue;
        }
        const uint32_t event = triangleLane.next < others ? triangleLane.next : others;
        if (event > count) break;
        maker.Add(mix, muted, event - 1 - done);
        const uint64_t cycle = first + (event - 1);
        if (frameLane.next == event) {
            catchUpAll(event - 1);
            TickCycle(cycle);
            frameLane.at = pulse1Lane.at = pulse2Lane.at = event;
            triangleLane.at = noiseLane.at = dmcLane.at = event;
            planAll();
        } else {
            // Timers that advance exactly over their expiries take the event
            // cycle in the same step; the others get it from the cycle's function.
            const auto takeEvent = [event](Lane& lane, auto& channel, auto advance, auto quiet) {
                if (lane.next != event) return;
                advance(channel, event - lane.at);
                lane.at = event;
                lane.Plan(quiet(channel));
            };
            takeEvent(pulse1Lane, pulse1, AdvancePulse, PulseQuietCycles);
            takeEvent(pulse2Lane, pulse2, AdvancePulse, PulseQuietCycles);
            // The triangle's and the DMC's timers run to the cycle before and
            // are clocked on the event's own.
            const auto clockEvent = [event](Lane& lane, auto& channel, auto advance, auto clock,
                                            auto quiet) {
                if (lane.next != event) return false;
                advance(channel, event - 1 - lane.at);
                clock(channel);
                lane.at = event;
                lane.Plan(quiet(channel));
                return true;
            };
            clockEvent(triangleLane, triangle, AdvanceTriangleTimer, ClockTriangleTimer,
                       TriangleQuietCycles);
            takeEvent(noiseLane, noise, AdvanceNoise, NoiseQuietCycles);
            // A new DMC output cycle that took the buffer asks for a reload,
            // which runs the rest of this cycle and then whole cycles.
            if (clockEvent(dmcLane, dmc, AdvanceDmc, ClockDmcTimer, DmcQuietCycles) &&
                (apuCycle.dmcDma == kDmcDmaLoad || apuCycle.dmcDma == kDmcDmaReload)) {
                TickDmcDma(cycle);
                if (apuCycle.dmcDma != kDmcDmaWanted) frameLane.next = event + 1;
            }
        }
        mix = muted ? 0.0f : MixNow();
        maker.AddOne(mix, muted);
        done = event;
    }
    maker.Add(mix, muted, count - done);
    catchUpAll(count);
}

// Cycles `cycle` to `cycle + count - 1`, in stretches.
void RunCycles(uint64_t cycle, uint64_t count) {
    const bool muted = soundMuted != 0;
    SampleMaker maker{sampleStage.sampleAccumulator, sampleStage.sampleCycleCount,
                      samplesDivider ? samplesDivider : 40};
    while (count > 0) {
        const uint32_t stretch =
            count < kStretchLimit ? static_cast<uint32_t>(count) : kStretchLimit;
        RunStretch(cycle, stretch, maker, muted);
        cycle += stretch;
        count -= stretch;
    }
    sampleStage.sampleAccumulator = maker.accumulator;
    sampleStage.sampleCycleCount = maker.cycleCount;
}

}  // namespace

void ApuRunTo(uint64_t last) {
    if (last > apuClock.done) {
        RunCycles(apuClock.done + 1, last - apuClock.done);
        apuClock.done = last;
    }
    ApuLookAhead();
}

void ApuStep(int32_t cycles) {
    if (cycles > 0) ApuRunTo(apuClock.done + static_cast<uint32_t>(cycles));
}

}  // namespace morvel
