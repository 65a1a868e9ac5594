; CNROM (mapper 3), four 8 KB CHR banks: the register picks the pattern
; tables (reduced to the bank count) and PRG stays fixed.
.segment "HEADER"
        .byte "NES", $1A, 2, 4, $30, $00, 0,0,0,0,0,0,0,0
.include "banktest.inc"

test:   EXPECT_PPU $0000, $80, 2, "power-on: CHR bank 0 not mapped"
        EXPECT_PPU $1FFF, $80, 3, "power-on: CHR bank 0 not at $1000-$1FFF"
        WRITE $8000, 2
        EXPECT_PPU $0000, $82, 4, "CHR bank 2 not mapped"
        EXPECT_PPU $1C00, $82, 5, "CHR bank 2 does not fill the pattern tables"
        WRITE $C000, 7
        EXPECT_PPU $0400, $83, 6, "7 not reduced to CHR bank 3"
        EXPECT_AT $8100, 0, 7, "PRG moved"
        EXPECT_AT $C100, 1, 8, "PRG moved"
        PASS
