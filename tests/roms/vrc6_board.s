; VRC6 (mapper 24; mapper 26 when VRC6B is defined, with CPU A0 and A1
; swapped on the way to the chip): PRG windows, CHR banks, $B003 mirroring
; and work RAM enable, the interrupt counter in both modes, then the sound:
; an APU reference pulse, VRC6 pulse 1 (duty 8/16, volume 15, period 253),
; pulse 2 (period $FDF shifted right 4 by $9003 = 2: 253 again), and the
; sawtooth (rate 42, period 289: 14 steps of 290 cycles). All 20 frames each.
.ifndef VRC6B
.define REG(r) 0 + (r)
.segment "HEADER"
        .byte "NES", $1A, 8, 2, $80, $10, 0,0,0,0,0,0,0,0
.else
.define REG(r) 0 + (((r) & $FFFC) | (((r) & 1) << 1) | (((r) & 2) >> 1))
.segment "HEADER"
        .byte "NES", $1A, 8, 2, $A0, $10, 0,0,0,0,0,0,0,0
.endif

.segment "ZEROPAGE"
flag:   .res 1

.segment "CODE"
RESULT_BASE = $0700
.include "result.inc"
.include "checks.inc"
.include "wait.inc"
.include "tone.inc"
.include "irq_timing.inc"

reset:  sei
        cld
        ldx #$FF
        txs
        lda #0
        sta $2000
        sta $2001
        lda #$40                ; no APU frame interrupt
        sta $4017
        lda $4015
        WAIT_VBLANK
        WAIT_VBLANK
        jsr result_start
        EXPECT_AT $E000, 15, 2, "the last bank is not fixed at $E000"
        lda #3
        sta REG($8001)
        EXPECT_AT $8000, 6, 3, "$8000 = 3 does not map 16 KB bank 3"
        EXPECT_AT $BFFF, 7, 3, "$8000 = 3 does not map 16 KB bank 3"
        lda #5
        sta REG($C002)
        EXPECT_AT $C000, 5, 4, "$C000 = 5 does not map 8 KB bank 5"
        lda #5
        sta REG($D000)
        lda #9
        sta REG($E003)
        EXPECT_PPU $0000, $85, 5, "$D000 = 5 does not map CHR bank 5 at $0000"
        EXPECT_PPU $1C00, $89, 6, "$E003 = 9 does not map CHR bank 9 at $1C00"
        lda #$A1                ; mode 1: 2 KB banks, A10 from the PPU
        sta REG($B003)
        EXPECT_PPU $0000, $84, 7, "mode 1: $D000 = 5 not banks 4 and 5 at $0000"
        EXPECT_PPU $0400, $85, 7, "mode 1: $D000 = 5 not banks 4 and 5 at $0000"
        lda #$84
        sta REG($B003)
        EXPECT_NAMETABLE $2000, $2400, 1, 8, "$B003 = $84 is not horizontal"
        lda #$80
        sta REG($B003)
        EXPECT_NAMETABLE $2000, $2800, 1, 9, "$B003 = $80 is not vertical"
        EXPECT_NAMETABLE $2000, $2400, 0, 9, "$B003 = $80 is not vertical"
        lda #$88
        sta REG($B003)
        EXPECT_NAMETABLE $2400, $2C00, 1, 10, "$B003 = $88 is not one page"
        lda #$8C
        sta REG($B003)
        EXPECT_NAMETABLE $2000, $2800, 1, 11, "$B003 = $8C is not one page"
        PPU_WRITE $2000, $11
        lda #$88
        sta REG($B003)
        EXPECT_PPU $2000, $A7, 12, "$B003 = $88 and $8C show the same page"
        lda #$5A
        sta $6000
        EXPECT_AT $6000, $5A, 13, "work RAM not there with $B003 bit 7 set"
        lda #$08
        sta REG($B003)
        lda $6000
        cmp #$5A
        bne :+
        FAIL 14, "work RAM still there with $B003 bit 7 clear"
:       lda #$88
        sta REG($B003)
        ; Cycle mode from 56: 200 cycles (25 rounds). Scanline mode from $F0:
        ; 16 lines of 113 2/3 cycles, 1819 cycles (227 rounds).
        lda #56
        sta REG($F000)
        lda #$06
        EXPECT_IRQ REG($F001), 24, 27, 15, "cycle mode: no interrupt 200 cycles on"
        lda #$F0
        sta REG($F000)
        lda #$02
        EXPECT_IRQ REG($F001), 225, 230, 16, "scanline mode: no interrupt 16 lines on"

        jsr apu_reference_tone
        lda #0
        sta REG($9003)
        lda #$7F                ; duty 7 (8/16), volume 15
        sta REG($9000)
        lda #253
        sta REG($9001)
        lda #$80
        sta REG($9002)
        jsr tone_time
        lda #0
        sta REG($9002)
        lda #10
        jsr wait_frames
        lda #2                  ; periods shifted right by 4
        sta REG($9003)
        lda #$7F
        sta REG($A000)
        lda #$DF
        sta REG($A001)
        lda #$8F
        sta REG($A002)
        jsr tone_time
        lda #0
        sta REG($A002)
        sta REG($9003)
        lda #10
        jsr wait_frames
        lda #42
        sta REG($B000)
        lda #<289
        sta REG($B001)
        lda #$80 | >289
        sta REG($B002)
        jsr tone_time
        lda #0
        sta REG($B002)
        lda #10
        jsr wait_frames
        PASS

nmi:    rti

; Acknowledges; the counter stops, as the control value had A clear.
irq:    pha
        sta REG($F002)
        inc flag
        pla
        rti

.segment "VECTORS"
        .word nmi, reset, irq
