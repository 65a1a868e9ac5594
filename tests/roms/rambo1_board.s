; Tengen RAMBO-1 (mapper 64): PRG windows and their swap, 2 KB and 1 KB CHR
; modes and the pattern-half swap, mirroring, and the counter: every fourth
; CPU cycle (latch N: the interrupt 4 (N + 1) + 1 cycles after $C001), and by
; A12 rises (latch N: the interrupt late in line N - 1).
.segment "HEADER"
        .byte "NES", $1A, 4, 4, $00, $40, 0,0,0,0,0,0,0,0

.include "irqboard.inc"
.include "scanline.inc"

irq:    stx irq_x
        lda $2002
        sta irq_ppu
        sta $E000               ; disables, acknowledges
        IRQ_RETURN

.macro BANK reg, value
        WRITE $8000, reg
        WRITE $8001, value
.endmacro

arm:    WRITE $C000, 101
        WRITE $C001, 0          ; counts A12 rises, reloads
        sta $E001
        rts

test:   EXPECT_AT $E100, 7, 2, "last bank not fixed at $E000"
        BANK 6, 3
        BANK 7, 4
        BANK $0F, 5
        EXPECT_AT $8100, 3, 3, "R6 = 3 at $8000"
        EXPECT_AT $A100, 4, 4, "R7 = 4 at $A000"
        EXPECT_AT $C100, 5, 5, "RF = 5 at $C000"
        WRITE $8000, $40
        EXPECT_AT $8100, 5, 6, "swapped: RF not at $8000"
        EXPECT_AT $C100, 3, 7, "swapped: R6 not at $C000"
        BANK 0, 10
        BANK 8, 20
        EXPECT_PPU $0400, 11, 8, "2 KB mode: R0 = 10 not at $0000-$07FF"
        WRITE $8000, $20
        EXPECT_PPU $0000, 10, 9, "1 KB mode: R0 = 10 not at $0000"
        EXPECT_PPU $0400, 20, 10, "1 KB mode: R8 = 20 not at $0400"
        BANK $A2, 25
        EXPECT_PPU $0000, 25, 11, "halves swapped: R2 not at $0000"
        EXPECT_PPU $1000, 10, 12, "halves swapped: R0 not at $1000"
        WRITE $A000, 0
        EXPECT_NAMETABLE $2000, $2800, 1, 13, "$A000 = 0 is not vertical"
        WRITE $A000, 1
        EXPECT_NAMETABLE $2000, $2400, 1, 14, "$A000 = 1 is not horizontal"

        WRITE $C000, 100
        sta $E001
        TIME_IRQ $C001, 1, 405, 15

        BANK 0, 6               ; background: banks 6 and 7
        BANK 1, 6
        BANK 2, 7               ; sprite tile 0
        SCANLINE_IRQ 100, 1, 16
        SCANLINE_IRQ 101, 0, 17
        PASS
