; VRC1 (mapper 75): three 8 KB PRG windows, two 4 KB CHR banks whose fifth bit
; comes from $9000, and the mirroring bit beside them.
.segment "HEADER"
        .byte "NES", $1A, 8, 16, $B0, $40, 0,0,0,0,0,0,0,0
.include "fixedbank.inc"
        FILL_BANKS 15, $2000, 128, 0

; 4 KB CHR bank k starts with the 1 KB unit 4k.
test:   EXPECT_AT $E100, 15, 2, "power-on: last bank not at $E000"
        WRITE $8000, 5
        WRITE $AFFF, 6
        WRITE $C000, 7
        EXPECT_AT $8100, 5, 3, "$8000 = 5 does not map bank 5 at $8000"
        EXPECT_AT $A100, 6, 4, "$A000 = 6 does not map bank 6 at $A000"
        EXPECT_AT $C100, 7, 5, "$C000 = 7 does not map bank 7 at $C000"
        WRITE $E000, 3
        WRITE $F000, 5
        WRITE $9000, 0
        EXPECT_PPU $0000, 12, 6, "$E000 = 3 does not map 4 KB bank 3"
        EXPECT_PPU $1000, 20, 7, "$F000 = 5 does not map 4 KB bank 5"
        WRITE $9000, 2
        EXPECT_PPU $0000, 76, 8, "$9000 bit 1 does not make bank 19 at $0000"
        EXPECT_PPU $1000, 20, 9, "$9000 bit 1 moved the bank at $1000"
        WRITE $9FFF, 4
        EXPECT_PPU $0000, 12, 10, "$9000 bit 1 clear does not give bank 3 back"
        EXPECT_PPU $1000, 84, 11, "$9000 bit 2 does not make bank 21 at $1000"
        EXPECT_NAMETABLE $2000, $2800, 1, 12, "$9000 bit 0 clear is not vertical"
        WRITE $9000, 5
        EXPECT_NAMETABLE $2000, $2400, 1, 13, "$9000 bit 0 set is not horizontal"
        EXPECT_PPU $1000, 84, 14, "a mirroring write moved the CHR bank"
        PASS
