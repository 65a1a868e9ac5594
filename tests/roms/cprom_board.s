; CPROM (mapper 13): 16 KB of CHR RAM in four 4 KB banks; $0000-$0FFF always
; shows the first, the latch's low two bits pick the one at $1000-$1FFF.
.segment "HEADER"
        .byte "NES", $1A, 2, 0, $D1, $00, 0,0,0,0,0,0,0,0
.include "banktest.inc"

; Writes a marker ($C0 + bank) at $1000 and $1FFF of each bank in turn.
test:   ldx #3
fill:   stx $8000
        PPU_ADDR $1000
        txa
        ora #$C0
        sta $2007
        PPU_ADDR $1FFF
        txa
        ora #$C0
        sta $2007
        dex
        bpl fill
        ; The latch holds 0: both pattern tables show the first bank.
        EXPECT_PPU $0000, $C0, 2, "bank 0 not at $0000"
        EXPECT_PPU $1FFF, $C0, 3, "bank 0 not at $1000 with the latch at 0"
        WRITE $8000, 2
        EXPECT_PPU $1000, $C2, 4, "bank 2 lost its marker or is not at $1000"
        EXPECT_PPU $0000, $C0, 5, "$0000 moved with the latch"
        WRITE $8000, $FD
        EXPECT_PPU $1FFF, $C1, 6, "$FD not reduced to bank 1"
        WRITE $8000, 3
        EXPECT_PPU $1000, $C3, 7, "bank 3 lost its marker"
        EXPECT_AT $8100, 0, 8, "PRG moved"
        EXPECT_AT $C100, 1, 9, "PRG moved"
        PASS
