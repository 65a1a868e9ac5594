; Mapper 226: the written byte is the register. Bits 0-4 and 7 form the page,
; $8001 adds bit 0 as bit 6 of the page, bit 5 selects 16 KB mode, bit 6
; vertical mirroring.
.segment "HEADER"
        .byte "NES", $1A, 64, 1, $20, $E0, 0,0,0,0,0,0,0,0
.include "banktest.inc"

test:   EXPECT_AT $8100, 0, 2, "power-on: 32 KB bank 0 not mapped"
        WRITE $8000, $80
        EXPECT_AT $8100, 32, 3, "page 32: 32 KB bank 16 not mapped"
        EXPECT_AT $C100, 33, 4, "page 32: 32 KB bank 16 not mapped"
        EXPECT_NAMETABLE $2000, $2400, 1, 5, "bit 6 clear: not horizontal"
        WRITE $8001, $63
        EXPECT_AT $8100, 3, 6, "page 67 in 16 KB mode not reduced to bank 3"
        EXPECT_AT $C100, 3, 7, "16 KB mode: bank not mirrored at $C000"
        EXPECT_NAMETABLE $2000, $2800, 1, 8, "bit 6 set: not vertical"
        WRITE $8000, $25
        EXPECT_AT $8100, 5, 9, "16 KB bank 5 not mapped"
        PASS
