; Taito TC0690 (mapper 48): PRG and CHR banks (2 KB numbers in 2 KB units),
; mirroring at $E000 bit 6, and the scanline counter, which takes its reload
; value inverted: $C000 = N XOR $FF counts as the MMC3's N, whose interrupt
; comes late in line N - 1 (four CPU cycles later than the MMC3's).
.segment "HEADER"
        .byte "NES", $1A, 4, 4, $00, $30, 0,0,0,0,0,0,0,0

.include "irqboard.inc"
.include "scanline.inc"

irq:    stx irq_x
        lda $2002
        sta irq_ppu
        sta $C003               ; disables, acknowledges
        IRQ_RETURN

arm:    lda #(101 ^ $FF)
        sta $C000
        sta $C001               ; reload at the next rise
        sta $C002
        rts

test:   EXPECT_AT $8100, 0, 2, "power-on: bank 0 not at $8000"
        EXPECT_AT $C100, 6, 3, "second-last bank not fixed at $C000"
        EXPECT_AT $E100, 7, 4, "last bank not fixed at $E000"
        WRITE $8000, 3
        WRITE $8001, 5
        EXPECT_AT $8100, 3, 5, "$8000 = 3"
        EXPECT_AT $A100, 5, 6, "$8001 = 5"
        WRITE $8003, 5
        WRITE $A002, 9
        EXPECT_PPU $0800, 10, 7, "$8003 = 5: 2 KB bank 5 not at $0800"
        EXPECT_PPU $0C00, 11, 8, "$8003 = 5: second half"
        EXPECT_PPU $1800, 9, 9, "$A002 = 9"
        WRITE $E000, $00
        EXPECT_NAMETABLE $2000, $2800, 1, 10, "$E000 = $00 is not vertical"
        WRITE $E000, $40
        EXPECT_NAMETABLE $2000, $2400, 1, 11, "$E000 = $40 is not horizontal"

        WRITE $8002, 3          ; background: banks 6 and 7
        sta $8003
        WRITE $A000, 7          ; sprite tile 0
        SCANLINE_IRQ 100, 1, 12
        SCANLINE_IRQ 101, 0, 13
        PASS
