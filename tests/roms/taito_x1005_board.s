; Taito X1-005 (mapper 80): the registers at $7EF0-$7EFF (from $7EF6 on, each
; pair is one register), and the chip's 128 bytes of RAM at $7F00, seen again
; at $7F80, answering only while $7EF8 holds $A3. The battery keeps that RAM:
; $7F01 counts the cartridge's starts.
.segment "HEADER"
        .byte "NES", $1A, 8, 16, $02, $50, 0,0,0,0,0,0,0,0
RESULT_BASE = $0700
.include "fixedbank.inc"

test:   EXPECT_AT $E100, 15, 2, "power-on: last bank not at $E000"
        lda #3
        sta $7EFA
        EXPECT_AT $8100, 3, 3, "$7EFA = 3 does not map bank 3 at $8000"
        lda #4
        sta $7EFB
        EXPECT_AT $8100, 4, 4, "$7EFB does not act as $7EFA"
        lda #5
        sta $7EFC
        lda #7
        sta $7EFF
        EXPECT_AT $A100, 5, 5, "$7EFC = 5 does not map bank 5 at $A000"
        EXPECT_AT $C100, 7, 6, "$7EFF = 7 does not map bank 7 at $C000"
        lda #9
        sta $7EF0
        lda #33
        sta $7EF2
        lda #63
        sta $7EF5
        EXPECT_PPU $0000, 8, 7, "$7EF0 = 9 does not map 2 KB from 1 KB bank 8"
        EXPECT_PPU $0400, 9, 8, "$7EF0 = 9: second half not bank 9"
        EXPECT_PPU $1000, 33, 9, "$7EF2 = 33 does not map $1000"
        EXPECT_PPU $1C00, 63, 10, "$7EF5 = 63 does not map $1C00"
        lda #0
        sta $7EF6
        EXPECT_NAMETABLE $2000, $2400, 1, 11, "$7EF6 = 0 is not horizontal"
        lda #1
        sta $7EF7
        EXPECT_NAMETABLE $2000, $2800, 1, 12, "$7EF7 = 1 is not vertical"
        lda #$55
        sta $7F00
        EXPECT_NOT_AT $7F00, $55, 13, "RAM answered before $7EF8 = $A3"
        lda #$A3
        sta $7EF8
        lda #$55
        sta $7F00
        lda #$AA
        sta $7F7F
        EXPECT_AT $7F80, $55, 14, "$7F80 does not show $7F00"
        EXPECT_AT $7FFF, $AA, 15, "$7FFF does not show $7F7F"
        lda #$A2
        sta $7EF9
        EXPECT_NOT_AT $7F00, $55, 16, "RAM answered after $7EF9 = $A2"
        lda #$A3
        sta $7EF9
        EXPECT_AT $7F00, $55, 17, "RAM lost its byte while locked"
        inc $7F01               ; starts of this cartridge, kept by the battery
        PASS
