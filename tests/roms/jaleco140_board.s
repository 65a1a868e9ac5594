; Mapper 140 (Jaleco JF-11/JF-14): the latch at $6000-$7FFF, ..PP CCCC, picks
; a 32 KB PRG bank and an 8 KB CHR bank; nothing answers reads there.
RESULT_BASE = $0700
.segment "HEADER"
        .byte "NES", $1A, 8, 16, $C1, $80, 0,0,0,0,0,0,0,0
.include "banktest.inc"

test:   EXPECT_AT $8100, 0, 2, "power-on: 32 KB bank 0 not mapped"
        WRITE $6000, $35
        EXPECT_AT $8100, 6, 3, "32 KB bank 3 not at $8000"
        EXPECT_AT $C100, 7, 4, "32 KB bank 3 not at $C000"
        EXPECT_PPU $0000, $85, 5, "CHR bank 5 not mapped"
        WRITE $7ABC, $CE
        EXPECT_AT $8100, 0, 6, "bits 6-7 reached the PRG bank"
        EXPECT_PPU $1FFF, $8E, 7, "CHR bank 14 not mapped"
        WRITE $6FFF, $12
        EXPECT_AT $C100, 3, 8, "32 KB bank 1 not mapped"
        EXPECT_PPU $0000, $82, 9, "CHR bank 2 not mapped"
        ; An absolute read of nothing gives the address's high byte.
        EXPECT_AT $7000, $70, 10, "something answers reads of $7000"
        PASS
