; BxROM (mapper 34), four 32 KB banks switched by any write.
.segment "HEADER"
        .byte "NES", $1A, 8, 1, $20, $20, 0,0,0,0,0,0,0,0
.include "banktest.inc"

test:   EXPECT_AT $8100, 0, 2, "power-on: 32 KB bank 0 not mapped"
        WRITE $8000, 3
        EXPECT_AT $8100, 6, 3, "32 KB bank 3 not mapped"
        EXPECT_AT $C100, 7, 4, "32 KB bank 3 not mapped"
        WRITE $FFFF, 5
        EXPECT_AT $8100, 2, 5, "5 not reduced to 32 KB bank 1"
        EXPECT_PPU $0000, $80, 6, "CHR bank 0 not mapped"
        PASS
