; UNROM (mapper 2), eight 16 KB banks: the register picks the bank at $8000
; (reduced to the bank count), the last bank stays at $C000, and the pattern
; tables are CHR RAM.
.segment "HEADER"
        .byte "NES", $1A, 8, 0, $20, $00, 0,0,0,0,0,0,0,0
.include "banktest.inc"

test:   EXPECT_AT $8100, 0, 2, "power-on: bank 0 not at $8000"
        EXPECT_AT $C100, 7, 3, "power-on: last bank not at $C000"
        WRITE $8000, 5
        EXPECT_AT $8100, 5, 4, "bank 5 not mapped at $8000"
        EXPECT_AT $BFFF, 5, 5, "bank 5 does not fill $8000-$BFFF"
        EXPECT_AT $C100, 7, 6, "last bank moved"
        WRITE $FFF0, 13
        EXPECT_AT $8100, 5, 7, "13 not reduced to bank 5"
        WRITE $A000, 2
        EXPECT_AT $8100, 2, 8, "write to $A000 not decoded"
        PASS
