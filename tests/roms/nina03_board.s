; NINA-03/06 (mapper 79): the latch, .... PCCC, answers where A15-A13 = 010
; and A8 = 1 ($4100-$41FF, $4300-$43FF, ..., $5F00-$5FFF), and picks a 32 KB
; PRG bank (P) and an 8 KB CHR bank (CCC). The APU keeps its registers.
.segment "HEADER"
        .byte "NES", $1A, 4, 8, $F1, $40, 0,0,0,0,0,0,0,0
.include "banktest.inc"

test:   EXPECT_AT $8100, 0, 2, "power-on: 32 KB bank 0 not mapped"
        WRITE $4100, $0D
        EXPECT_AT $8100, 2, 3, "32 KB bank 1 not at $8000"
        EXPECT_AT $C100, 3, 4, "32 KB bank 1 not at $C000"
        EXPECT_PPU $0000, $85, 5, "CHR bank 5 not mapped"
        WRITE $4200, $00
        sta $5EFF
        EXPECT_AT $8100, 2, 6, "$4200 or $5EFF (A8 clear) reached the latch"
        WRITE $5FFF, $03
        EXPECT_AT $8100, 0, 7, "$5FFF did not reach the latch"
        EXPECT_PPU $1FFF, $83, 8, "CHR bank 3 not mapped"
        WRITE $4300, $0A
        EXPECT_PPU $0400, $82, 9, "$4300 did not reach the latch"
        ; Pulse 1 enabled and its length counter loaded: $4015 bit 0 shows it.
        WRITE $4015, $01
        WRITE $4003, $08
        lda $4015
        and #$01
        EXPECT_A $01, 10, "APU writes no longer reach the APU"
        PASS
