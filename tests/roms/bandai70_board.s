; Mapper 70 (Bandai's 74161 board): PPPP CCCC picks a 16 KB PRG bank for
; $8000 (the last one stays at $C000) and an 8 KB CHR bank; the mirroring
; stays as wired (horizontal here) whatever bit 7 holds.
.segment "HEADER"
        .byte "NES", $1A, 8, 16, $60, $40, 0,0,0,0,0,0,0,0
.include "banktest.inc"

test:   EXPECT_AT $8100, 0, 2, "power-on: bank 0 not at $8000"
        EXPECT_AT $C100, 7, 3, "power-on: last bank not at $C000"
        EXPECT_PPU $0000, $80, 4, "power-on: CHR bank 0 not mapped"
        WRITE $8000, $35
        EXPECT_AT $8100, 3, 5, "bank 3 not at $8000"
        EXPECT_AT $FF00, 7, 6, "the last bank left $C000"
        EXPECT_PPU $1FFF, $85, 7, "CHR bank 5 not mapped"
        WRITE $E000, $A9
        EXPECT_AT $BF00, 2, 8, "10 not reduced to bank 2"
        EXPECT_PPU $0000, $89, 9, "CHR bank 9 not mapped"
        EXPECT_NAMETABLE $2000, $2400, 1, 10, "bit 7 changed the wired mirroring"
        EXPECT_NAMETABLE $2000, $2800, 0, 11, "bit 7 changed the wired mirroring"
        PASS
