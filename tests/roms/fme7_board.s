; Sunsoft FME-7 / 5B (mapper 69): PRG banks with ROM or RAM at $6000, 1 KB
; CHR banks, the four mirrorings, the CPU-cycle interrupt counter, and then
; four tones for the recording test, 10 frames of silence before each: an
; APU pulse (duty 2, volume 15, period 253: 4064 CPU cycles a wave), the 5B's
; channel A at volume 15 and then at volume 12 (period 127: 32 x 127 = 4064
; cycles a wave), and channel A following the envelope's repeating decay
; (period 8: 32 steps of 16 x 8 cycles, 4096 cycles a ramp).
RESULT_BASE = $0700
.segment "HEADER"
        .byte "NES", $1A, 8, 2, $50, $40, 0,0,0,0,0,0,0,0

.segment "ZEROPAGE"
first:  .res 1

.segment "CODE"
.include "result.inc"
.include "checks.inc"
        FILL_BANKS 15, $2000, 16, $80
.include "wait.inc"
IRQ_ACK = $A000                 ; with command 13 chosen
.include "cycle_irq.inc"

.macro CMD command, value       ; FME-7 command and parameter
        WRITE $8000, command
        WRITE $A000, value
.endmacro
.macro AY reg, value            ; 5B sound register
        WRITE $C000, reg
        WRITE $E000, value
.endmacro
; Starts the counter at `count` (command 13 = $81: count, interrupt) and
; counts turns until the interrupt.
.macro MEASURE_FROM count
        CMD 14, <count
        CMD 15, >count
        WRITE $8000, 13
        cli
        MEASURE_IRQ $A000, $81
        sei
.endmacro
.macro TONE_THEN_REST frames
        lda #frames
        jsr wait_frames
.endmacro

reset:  BOARD_RESET
        CMD 9, 3
        EXPECT_AT $8100, 3, 2, "$8000: PRG bank 3"
        CMD 10, 5
        EXPECT_AT $A100, 5, 3, "$A000: PRG bank 5"
        CMD 11, 30
        EXPECT_AT $C100, 14, 4, "$C000: bank 30 of 16 is not bank 14"
        EXPECT_AT $E100, 15, 5, "$E000: not the last bank"
        CMD 8, 6
        EXPECT_AT $6100, 6, 6, "$6000: PRG ROM bank 6"
        CMD 8, $C0
        WRITE $6123, $5A
        EXPECT_AT $6123, $5A, 7, "$6000: RAM not written"
        CMD 8, $40
        sta $6123               ; disabled: lost
        EXPECT_AT $6123, $61, 8, "disabled RAM does not leave the open bus"
        CMD 8, $C0
        EXPECT_AT $6123, $5A, 9, "disabled RAM took a write"
        CMD 0, 5
        EXPECT_PPU $0000, $85, 10, "CHR bank 5 at $0000"
        CMD 7, 12
        EXPECT_PPU $1C00, $8C, 11, "CHR bank 12 at $1C00"
        CMD 12, 0
        EXPECT_NAMETABLE $2000, $2800, 1, 12, "vertical"
        EXPECT_NAMETABLE $2000, $2400, 0, 13, "vertical"
        CMD 12, 1
        EXPECT_NAMETABLE $2000, $2400, 1, 14, "horizontal"
        EXPECT_NAMETABLE $2000, $2800, 0, 15, "horizontal"
        CMD 12, 2
        EXPECT_NAMETABLE $2000, $2C00, 1, 16, "one screen, first page"
        PPU_WRITE $2000, $11
        CMD 12, 3
        EXPECT_NAMETABLE $2400, $2800, 1, 17, "one screen, second page"
        CMD 12, 2
        EXPECT_PPU $2000, $11, 18, "the two one-screen pages are one"

        ; Not counting: no interrupt, whatever the count.
        CMD 14, 10
        CMD 15, 0
        CMD 13, $01
        WRITE irq_count, 0
        cli
        TONE_THEN_REST 1
        sei
        lda irq_count
        EXPECT_A 0, 19, "interrupt while the counter is stopped"
        ; Counting from 1000 the counter wraps 1001 cycles after the write
        ; that starts it, in the 91st 11-cycle turn of MEASURE_IRQ: 91 or 92
        ; turns counted by where the interrupt falls within one (90-93 taken).
        ; In the loop A is 0, so the handler's write stops the counter.
        MEASURE_FROM 1000
        EXPECT_TURNS 90, 93, 20, "counter from 1000 did not interrupt after 91-92 turns"
        lda irq_x
        sta first
        ; 1100 cycles more are 100 turns more (one either side).
        MEASURE_FROM 2100
        lda irq_x
        clc
        sbc first               ; turns - first - 1
        sec
        sbc #98
        cmp #3
        bcc :+
        FAIL 21, "1100 more counts are not 100 more turns"

:       TONE_THEN_REST 10
        WRITE $4015, $01
        WRITE $4000, $BF        ; duty 2, length halted, volume 15
        WRITE $4001, $00
        WRITE $4002, 253
        WRITE $4003, 0
        TONE_THEN_REST 20
        WRITE $4015, 0
        TONE_THEN_REST 10
        AY 0, 127
        AY 1, 0
        AY 7, $3E               ; channel A's tone only
        AY 8, 15
        TONE_THEN_REST 20
        AY 8, 0
        TONE_THEN_REST 10
        AY 8, 12
        TONE_THEN_REST 20
        AY 8, 0
        TONE_THEN_REST 10
        AY 11, 8
        AY 12, 0
        AY 13, $08              ; decay, again and again
        AY 7, $3F               ; no tone, no noise: the channel plays its level
        AY 8, $10
        TONE_THEN_REST 20
        AY 8, 0
        TONE_THEN_REST 10
        PASS

nmi:    rti

.segment "VECTORS"
        .word nmi, reset, irq_count_handler
