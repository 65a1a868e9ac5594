; AOROM (mapper 7), eight 32 KB banks: bits 0-2 pick the PRG bank, bit 4 the
; nametable page that fills the whole screen.
.segment "HEADER"
        .byte "NES", $1A, 16, 0, $70, $00, 0,0,0,0,0,0,0,0
.include "banktest.inc"

test:   EXPECT_AT $8100, 0, 2, "power-on: 32 KB bank 0 not mapped"
        EXPECT_AT $C100, 1, 3, "power-on: 32 KB bank 0 not mapped"
        WRITE $8000, $13
        EXPECT_AT $8100, 6, 4, "32 KB bank 3 not mapped"
        EXPECT_AT $C100, 7, 5, "32 KB bank 3 not mapped"
        EXPECT_NAMETABLE $2000, $2C00, 1, 6, "bit 4 set: not one screen"
        EXPECT_NAMETABLE $2400, $2800, 1, 7, "bit 4 set: not one screen"
        WRITE $FFF0, $07
        EXPECT_AT $8100, 14, 8, "32 KB bank 7 not mapped"
        EXPECT_NAMETABLE $2000, $2400, 1, 9, "bit 4 clear: not one screen"
        ; The two one-screen choices show different memory.
        PPU_WRITE $2000, $11
        WRITE $8000, $10
        PPU_WRITE $2000, $22
        WRITE $8000, $00
        EXPECT_PPU $2000, $11, 10, "both settings show the same page"
        PASS
