; Color Dreams (mapper 11): one latch, CCCC LLPP, picks a 32 KB PRG bank and
; an 8 KB CHR bank; the LL bits (lockout defeat) change no bank.
.segment "HEADER"
        .byte "NES", $1A, 8, 16, $B0, $00, 0,0,0,0,0,0,0,0
.include "banktest.inc"

test:   EXPECT_AT $8100, 0, 2, "power-on: 32 KB bank 0 not mapped"
        EXPECT_PPU $0000, $80, 3, "power-on: CHR bank 0 not mapped"
        WRITE $8000, $F3
        EXPECT_AT $8100, 6, 4, "32 KB bank 3 not at $8000"
        EXPECT_AT $FF00, 7, 5, "32 KB bank 3 not at $C000"
        EXPECT_PPU $1FFF, $8F, 6, "CHR bank 15 not mapped"
        WRITE $C123, $2D
        EXPECT_AT $8100, 2, 7, "32 KB bank 1 not mapped (lockout bits set)"
        EXPECT_PPU $0000, $82, 8, "CHR bank 2 not mapped (lockout bits set)"
        PASS
