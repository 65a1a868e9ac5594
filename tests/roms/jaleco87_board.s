; Mapper 87 (Jaleco J87): the latch at $6000-$7FFF picks an 8 KB CHR bank
; with its two bits swapped (bit 0 is the high one); PRG stays put and
; nothing answers reads of $6000-$7FFF.
RESULT_BASE = $0700
.segment "HEADER"
        .byte "NES", $1A, 2, 4, $71, $50, 0,0,0,0,0,0,0,0
.include "banktest.inc"

test:   EXPECT_PPU $0000, $80, 2, "power-on: CHR bank 0 not mapped"
        WRITE $6000, 1
        EXPECT_PPU $0000, $82, 3, "bit 0 did not pick bank 2"
        WRITE $7FFF, 2
        EXPECT_PPU $1FFF, $81, 4, "bit 1 did not pick bank 1"
        WRITE $6ABC, $FF
        EXPECT_PPU $0400, $83, 5, "bank 3 not mapped"
        ; An absolute read of nothing gives the address's high byte.
        EXPECT_AT $6000, $60, 6, "something answers reads of $6000"
        EXPECT_AT $8100, 0, 7, "PRG moved"
        EXPECT_AT $C100, 1, 8, "PRG moved"
        PASS
