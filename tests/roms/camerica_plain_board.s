; Mapper 71 without a submapper: the wired mirroring (vertical here) stands
; until a write to $9000-$9FFF picks one screen by bit 4 (as Fire Hawk
; does); writes to $8000-$8FFF, which other games make at start-up, change
; nothing.
.segment "HEADER"
        .byte "NES", $1A, 8, 0, $71, $40, 0,0,0,0,0,0,0,0
.include "banktest.inc"

test:   WRITE $8000, $10
        EXPECT_NAMETABLE $2000, $2800, 1, 2, "a write to $8000 changed the mirroring"
        EXPECT_NAMETABLE $2000, $2400, 0, 3, "a write to $8000 changed the mirroring"
        WRITE $9000, $10
        EXPECT_NAMETABLE $2000, $2C00, 1, 4, "a write to $9000: not one screen"
        PPU_WRITE $2000, $22
        WRITE $9FFF, $00
        PPU_WRITE $2000, $11
        WRITE $8FFF, $10
        EXPECT_PPU $2400, $11, 5, "a write to $8FFF changed the screen"
        WRITE $9000, $10
        EXPECT_PPU $2800, $22, 6, "bit 4 set: not the second nametable"
        WRITE $D000, 6
        EXPECT_AT $8100, 6, 7, "bank 6 not at $8000"
        PASS
