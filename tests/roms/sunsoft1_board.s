; Sunsoft-1 (mapper 184): the latch at $6000-$7FFF, .HHH .LLL, picks a 4 KB
; CHR bank for each pattern table; the chip holds the top bit of HHH set, so
; $1000-$1FFF shows banks 4-7 only. Nothing answers reads of $6000-$7FFF.
; Each 4 KB CHR bank k is filled with $80 + k.
RESULT_BASE = $0700
.segment "HEADER"
        .byte "NES", $1A, 2, 4, $80, $B0, 0,0,0,0,0,0,0,0
.include "banktest.inc"

test:   WRITE $6000, $12
        EXPECT_PPU $0000, $82, 2, "4 KB bank 2 not at $0000"
        EXPECT_PPU $1000, $85, 3, "bank 1 not shown as 5 at $1000"
        WRITE $7FFF, $73
        EXPECT_PPU $0FFF, $83, 4, "4 KB bank 3 not at $0000"
        EXPECT_PPU $1FFF, $87, 5, "4 KB bank 7 not at $1000"
        WRITE $6800, $0F
        EXPECT_PPU $0000, $87, 6, "bit 3 reached the $0000 bank"
        EXPECT_PPU $1000, $84, 7, "bank 0 not shown as 4 at $1000"
        ; An absolute read of nothing gives the address's high byte.
        EXPECT_AT $6000, $60, 8, "something answers reads of $6000"
        EXPECT_AT $8100, 0, 9, "PRG moved"
        PASS
