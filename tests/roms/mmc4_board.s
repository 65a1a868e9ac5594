; MMC4 (mapper 10): the 16 KB PRG window at $8000, the CHR latches (set by the
; second plane of tiles $FD and $FE only), mirroring, and work RAM.
.segment "HEADER"
        .byte "NES", $1A, 8, 4, $A2, $00, 0,0,0,0,0,0,0,0
.include "fixedbank.inc"
        FILL_BANKS 7, $4000, 32, 0

test:   EXPECT_AT $8100, 0, 2, "power-on: bank 0 not at $8000"
        EXPECT_AT $C100, 7, 3, "power-on: last bank not at $C000"
        WRITE $A000, 3
        EXPECT_AT $8100, 3, 4, "$A000 = 3 does not map 16 KB bank 3"
        WRITE $AFFF, 9
        EXPECT_AT $8100, 1, 5, "bank 9 of 8 not kept inside the PRG"
        ; 4 KB banks 1-4 start with the 1 KB units 4, 8, 12 and 16.
        ldx #1
        stx $B000
        inx
        stx $C000
        inx
        stx $D000
        inx
        stx $E000
        EXPECT_PPU $0000, 8, 6, "latch 0 starts at $FE"
        EXPECT_PPU $1000, 16, 7, "latch 1 starts at $FE"
        PPU_READ $0FD0
        EXPECT_PPU $0000, 8, 8, "first plane of tile $FD flipped latch 0"
        PPU_READ $0FDE
        EXPECT_PPU $0000, 4, 9, "second plane of tile $FD did not flip latch 0"
        PPU_READ $0FE8
        EXPECT_PPU $0000, 8, 10, "tile $FE did not flip latch 0 back"
        PPU_READ $1FD8
        EXPECT_PPU $1000, 12, 11, "tile $FD did not flip latch 1"
        PPU_READ $1FE0
        EXPECT_PPU $1000, 12, 12, "first plane of tile $FE flipped latch 1"
        PPU_READ $1FEE
        EXPECT_PPU $1000, 16, 13, "tile $FE did not flip latch 1 back"
        WRITE $F000, 1
        EXPECT_NAMETABLE $2000, $2400, 1, 14, "$F000 = 1 is not horizontal"
        WRITE $FFFF, 0
        EXPECT_NAMETABLE $2000, $2800, 1, 15, "$F000 = 0 is not vertical"
        WRITE $7FFF, $5A
        EXPECT_AT $7FFF, $5A, 16, "no work RAM at $7FFF"
        PASS
