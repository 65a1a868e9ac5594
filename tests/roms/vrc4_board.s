; VRC4, assembled once per board wiring: MAPPER, SUBMAPPER (0: an iNES 1.0
; header, both wirings of the mapper decoded), A0LINE and A1LINE (the CPU
; address lines, as masks, wired to the chip's A0 and A1) and OTHER_A0 (the
; other wiring's A0 line) come from the command line. Checks the five-bit
; PRG registers and the swap mode, the 1 KB CHR banks written in nibbles,
; the four mirrorings, and the interrupt counter in cycle and scanline mode.
P1 = A0LINE
P2 = A1LINE
P3 = A0LINE | A1LINE
IRQ_ACK = $F000 + P3

.segment "HEADER"
.if SUBMAPPER = 0
        .byte "NES", $1A, 16, 4, (MAPPER & $0F) << 4, MAPPER & $F0, 0,0,0,0,0,0,0,0
.else   ; NES 2.0, 8 KB of work RAM
        .byte "NES", $1A, 16, 4, (MAPPER & $0F) << 4, (MAPPER & $F0) | $08
        .byte SUBMAPPER << 4, 0, $07, 0,0,0,0,0
.endif

.segment "CODE"
.include "result.inc"
.include "checks.inc"
        FILL_BANKS 31, $2000, 32, $80
.include "cycle_irq.inc"
.include "vrc_chr.inc"

reset:  BOARD_RESET
        WRITE $8000, 17
        lda #5
        sta $A000 + P3
        EXPECT_AT $8100, 17, 2, "$8000: bank 17 (five bits)"
        EXPECT_AT $A100, 5, 3, "$A000: bank 5"
        EXPECT_AT $C100, 30, 4, "$C000: not the second-last bank"
        lda #2
        sta $9000 + P2
        EXPECT_AT $8100, 30, 5, "swap mode: $8000 not the second-last bank"
        EXPECT_AT $C100, 17, 6, "swap mode: $C000 not the $8000 register's bank"
        lda #0
        sta $9000 + P2
        EXPECT_AT $8100, 17, 7, "swap mode not left"
        CHECK_CHR_SLOTS 8
        lda #$01                ; a port-0 write unless both wirings are decoded
        sta $B000 + OTHER_A0
.if SUBMAPPER = 0
        EXPECT_PPU $0000, $95, 9, "the other wiring's A0 line is not decoded"
.else
        EXPECT_PPU $0000, $91, 9, "the other wiring's A0 line is decoded"
.endif
        WRITE $9000, 0
        EXPECT_NAMETABLE $2000, $2800, 1, 10, "0: not vertical"
        EXPECT_NAMETABLE $2000, $2400, 0, 11, "0: not vertical"
        lda #1
        sta $9000 + P1
        EXPECT_NAMETABLE $2000, $2400, 1, 12, "1: not horizontal"
        EXPECT_NAMETABLE $2000, $2800, 0, 13, "1: not horizontal"
        WRITE $9000, 0
        PPU_WRITE $2000, $11
        PPU_WRITE $2400, $22
        WRITE $9000, 2
        EXPECT_PPU $2C00, $11, 14, "2: not one-screen, first page"
        WRITE $9000, 3
        EXPECT_PPU $2800, $22, 15, "3: not one-screen, second page"

        ; Cycle mode, latch $10: the interrupt 240 cycles after the control
        ; write, about 21.8 turns. Scanline mode, latch 0: 256 lines of 114,
        ; 114, 113 cycles (85 * 341 + 114 = 29099 cycles), about 2645 turns.
        WRITE $F000, $00
        lda #$01
        sta $F000 + P1
        cli
        MEASURE_IRQ $F000 + P2, $06
        EXPECT_TURNS 21, 23, 16, "cycle mode: interrupt off time"
        lda #0
        sta $F000 + P1
        MEASURE_IRQ $F000 + P2, $02
        EXPECT_TURNS 2643, 2647, 17, "scanline mode: interrupt off time"
        ; Latch $80, cycle mode: with A set each acknowledgement keeps the
        ; counter on, an interrupt every 128 cycles: the 1100-cycle wait
        ; grows by 28 cycles per handler, so n = (1100 + 28n) / 128, about 10.
        ; Without A the first acknowledgement stops the counter.
        lda #8
        sta $F000 + P1
        COUNT_IRQS $F000 + P2, $07, $F000 + P2, 9, 11, 18, "A set: not one per 128 cycles"
        COUNT_IRQS $F000 + P2, $06, $F000 + P2, 1, 1, 19, "A clear: not one interrupt"
        PASS

chr_values: .byte $15, $0A, $1C, $13, $07, $1F, $10, $0D
chr_seen:   .byte $95, $8A, $9C, $93, $87, $9F, $90, $8D

nmi:    rti

.segment "VECTORS"
        .word nmi, reset, irq_count_handler
