; GxROM (mapper 66): one latch, xxPP xxCC, picks a 32 KB PRG bank and an
; 8 KB CHR bank; the x bits are not connected.
.segment "HEADER"
        .byte "NES", $1A, 8, 4, $21, $40, 0,0,0,0,0,0,0,0
.include "banktest.inc"

test:   EXPECT_AT $8100, 0, 2, "power-on: 32 KB bank 0 not mapped"
        EXPECT_PPU $0000, $80, 3, "power-on: CHR bank 0 not mapped"
        WRITE $8000, $31
        EXPECT_AT $8100, 6, 4, "32 KB bank 3 not at $8000"
        EXPECT_AT $C100, 7, 5, "32 KB bank 3 not at $C000"
        EXPECT_PPU $0000, $81, 6, "CHR bank 1 not mapped"
        WRITE $FFF0, $CE
        EXPECT_AT $8100, 0, 7, "bits 6-7 reached the PRG bank"
        EXPECT_PPU $1000, $82, 8, "bits 2-3 reached the CHR bank"
        WRITE $8000, $12
        EXPECT_AT $C100, 3, 9, "32 KB bank 1 not mapped"
        EXPECT_PPU $0400, $82, 10, "CHR bank 2 not mapped"
        PASS
