; Taito X1-005 (mapper 80): the registers at $7EF0-$7EFF (from $7EF6 on, each
; pair is one register), and the chip's 128 bytes of RAM at $7F00, seen again
; at $7F80, answering only while $7EF8 holds $A3. The battery keeps that RAM:
; $7F01 counts the cartridge's starts.
.segment "HEADER"
        .byte "NES", $1A, 8, 16, $02, $50, 0,0,0,0,0,0,0,0
RESULT_BASE = $0700
.include "fixedbank.inc"
        FILL_BANKS 15, $2000, 128, 0

test:   EXPECT_AT $E100, 15, 2, "power-on: last bank not at $E000"
        WRITE $7EFA, 3
        EXPECT_AT $8100, 3, 3, "$7EFA = 3 does not map bank 3 at $8000"
        WRITE $7EFB, 4
        EXPECT_AT $8100, 4, 4, "$7EFB does not act as $7EFA"
        WRITE $7EFC, 5
        WRITE $7EFF, 7
        EXPECT_AT $A100, 5, 5, "$7EFC = 5 does not map bank 5 at $A000"
        EXPECT_AT $C100, 7, 6, "$7EFF = 7 does not map bank 7 at $C000"
        WRITE $7EF0, 9
        WRITE $7EF2, 33
        WRITE $7EF5, 63
        EXPECT_PPU $0000, 8, 7, "$7EF0 = 9 does not map 2 KB from 1 KB bank 8"
        EXPECT_PPU $0400, 9, 8, "$7EF0 = 9: second half not bank 9"
        EXPECT_PPU $1000, 33, 9, "$7EF2 = 33 does not map $1000"
        EXPECT_PPU $1C00, 63, 10, "$7EF5 = 63 does not map $1C00"
        WRITE $7EF6, 0
        EXPECT_NAMETABLE $2000, $2400, 1, 11, "$7EF6 = 0 is not horizontal"
        WRITE $7EF7, 1
        EXPECT_NAMETABLE $2000, $2800, 1, 12, "$7EF7 = 1 is not vertical"
        WRITE $7F00, $55
        EXPECT_NOT_AT $7F00, $55, 13, "RAM answered before $7EF8 = $A3"
        WRITE $7EF8, $A3
        WRITE $7F00, $55
        WRITE $7F7F, $AA
        EXPECT_AT $7F80, $55, 14, "$7F80 does not show $7F00"
        EXPECT_AT $7FFF, $AA, 15, "$7FFF does not show $7F7F"
        WRITE $7EF9, $A2
        EXPECT_NOT_AT $7F00, $55, 16, "RAM answered after $7EF9 = $A2"
        WRITE $7EF9, $A3
        EXPECT_AT $7F00, $55, 17, "RAM lost its byte while locked"
        inc $7F01               ; starts of this cartridge, kept by the battery
        PASS
