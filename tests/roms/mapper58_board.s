; Mapper 58: the written address is the register. Bits 0-2 pick the PRG bank,
; bit 6 the 16 KB mode, bits 3-5 the CHR bank, bit 7 horizontal mirroring.
.segment "HEADER"
        .byte "NES", $1A, 8, 8, $A0, $30, 0,0,0,0,0,0,0,0
.include "banktest.inc"

test:   EXPECT_AT $8100, 0, 2, "power-on: 32 KB bank 0 not mapped"
        sta $80C5
        EXPECT_AT $8100, 5, 3, "16 KB mode: bank 5 not at $8000"
        EXPECT_AT $C100, 5, 4, "16 KB mode: bank 5 not at $C000"
        EXPECT_NAMETABLE $2000, $2400, 1, 5, "bit 7 set: not horizontal"
        EXPECT_NAMETABLE $2000, $2800, 0, 6, "bit 7 set: not horizontal"
        sta $8005
        EXPECT_AT $8100, 4, 7, "32 KB mode: not banks 4 and 5"
        EXPECT_AT $C100, 5, 8, "32 KB mode: not banks 4 and 5"
        EXPECT_NAMETABLE $2000, $2800, 1, 9, "bit 7 clear: not vertical"
        EXPECT_NAMETABLE $2000, $2400, 0, 10, "bit 7 clear: not vertical"
        sta $8000 + (6 << 3)
        EXPECT_PPU $0000, $86, 11, "CHR bank 6 not mapped"
        EXPECT_AT $8100, 0, 12, "32 KB bank 0 not mapped"
        PASS
