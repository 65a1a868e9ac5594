; Mapper 152 (Bandai's 74161 board with a screen bit): MPPP CCCC picks a
; 16 KB PRG bank for $8000 (the last one stays at $C000), an 8 KB CHR bank,
; and with M the console nametable that fills the screen.
.segment "HEADER"
        .byte "NES", $1A, 8, 16, $81, $90, 0,0,0,0,0,0,0,0
.include "banktest.inc"

test:   EXPECT_NAMETABLE $2000, $2800, 1, 2, "power-on: wired vertical mirroring lost"
        EXPECT_NAMETABLE $2000, $2400, 0, 3, "power-on: wired vertical mirroring lost"
        WRITE $8000, $35
        EXPECT_AT $8100, 3, 4, "bank 3 not at $8000"
        EXPECT_AT $C100, 7, 5, "the last bank left $C000"
        EXPECT_PPU $0000, $85, 6, "CHR bank 5 not mapped"
        EXPECT_NAMETABLE $2000, $2C00, 1, 7, "M = 0: not one screen"
        PPU_WRITE $2000, $11
        WRITE $FFFF, $B5
        EXPECT_NAMETABLE $2400, $2800, 1, 8, "M = 1: not one screen"
        PPU_WRITE $2C00, $22
        EXPECT_AT $8100, 3, 9, "M reached the PRG bank"
        WRITE $8000, $35
        EXPECT_PPU $2400, $11, 10, "M = 0: not the first nametable"
        WRITE $8000, $F2
        EXPECT_PPU $2000, $22, 11, "M = 1: not the second nametable"
        EXPECT_AT $8100, 7, 12, "bank 7 not at $8000"
        EXPECT_PPU $0000, $82, 13, "CHR bank 2 not mapped"
        PASS
