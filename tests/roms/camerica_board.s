; Mapper 71, NES 2.0 submapper 1 (Fire Hawk's BF9097): $C000-$FFFF picks
; the 16 KB bank at $8000 (the last stays at $C000); bit 4 of a write to
; $8000-$9FFF picks the console nametable that fills the screen.
.segment "HEADER"
        .byte "NES", $1A, 8, 0, $70, $48, $10, 0, 0, $07, 0,0,0,0
.include "banktest.inc"

test:   EXPECT_AT $8100, 0, 2, "power-on: bank 0 not at $8000"
        EXPECT_AT $C100, 7, 3, "power-on: last bank not at $C000"
        WRITE $C000, 5
        EXPECT_AT $8100, 5, 4, "bank 5 not at $8000"
        WRITE $F000, $1B
        EXPECT_AT $BF00, 3, 5, "$1B not reduced to bank 3"
        EXPECT_AT $FF00, 7, 6, "the last bank left $C000"
        WRITE $8000, $00
        EXPECT_NAMETABLE $2000, $2C00, 1, 7, "bit 4 clear: not one screen"
        PPU_WRITE $2000, $11
        WRITE $9FFF, $10
        EXPECT_NAMETABLE $2400, $2800, 1, 8, "bit 4 set: not one screen"
        PPU_WRITE $2000, $22
        WRITE $8000, $00
        EXPECT_PPU $2C00, $11, 9, "bit 4 clear: not the first nametable"
        WRITE $A000, $10
        EXPECT_PPU $2400, $11, 10, "a write to $A000 changed the screen"
        EXPECT_AT $8100, 3, 11, "a write to $A000 changed the PRG bank"
        PPU_WRITE $0123, $5A
        EXPECT_PPU $0123, $5A, 12, "CHR RAM does not keep a byte"
        PASS
