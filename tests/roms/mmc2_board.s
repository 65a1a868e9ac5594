; MMC2 (mapper 9): the PRG window at $8000, mirroring, and the CHR latches of
; both pattern halves flipped by the fetches of tiles $FD and $FE.
;
; Picture: every row is tile 1, with tile $FD in column 8 and tile $FE in
; column 16. Tile 1 is red in the $FE bank and green in the $FD bank, and
; tiles $FD/$FE are blank, so each line shows red (x 0-63), black, green
; (x 72-127), black, red (x 136-255): the same tile from two banks on one line.
.segment "HEADER"
        .byte "NES", $1A, 2, 2, $90, $00, 0,0,0,0,0,0,0,0

.segment "ZEROPAGE"
frames: .res 1

.segment "CODE"
.include "result.inc"
.include "checks.inc"

FD_BANK = 1
FE_BANK = 2

reset:  BOARD_RESET
        WRITE frames, 0

        EXPECT_AT $A100, 1, 2, "power-on: bank 1 not at $A000"
        EXPECT_AT $C100, 2, 3, "power-on: bank 2 not at $C000"
        EXPECT_AT $E100, 3, 4, "power-on: last bank not at $E000"
        EXPECT_AT $8100, 0, 5, "power-on: $8000 not on bank 0"
        WRITE $A000, 2
        EXPECT_AT $8100, 2, 6, "$A000 = 2 does not map bank 2"
        WRITE $AFFF, 5
        EXPECT_AT $8100, 1, 7, "bank 5 of 4 not kept inside the PRG"

        WRITE $B000, FD_BANK
        WRITE $C000, FE_BANK
        WRITE $D000, 3
        sta $E000
        ; Latch 0 starts at $FE; a $2007 read of tile $FD flips it.
        ; Each bank draws tile 1 in another colour, so one plane tells them apart.
        EXPECT_PPU $0018, $00, 8, "latch $FE: tile 1 not from the $FE bank"
        PPU_READ $0FD0
        EXPECT_PPU $0010, $00, 9, "latch $FD: tile 1 not from the $FD bank"
        PPU_READ $0FE8
        EXPECT_PPU $0018, $00, 10, "latch back at $FE: tile 1 not from the $FE bank"
        ; Latch 1 the same way through tiles $FD and $FE of the upper half.
        WRITE $D000, FD_BANK
        WRITE $E000, FE_BANK
        EXPECT_PPU $1010, $FF, 11, "latch 1 at $FE: tile 1 not from the $FE bank"
        PPU_READ $1FD8
        EXPECT_PPU $1018, $FF, 12, "latch 1 at $FD: tile 1 not from the $FD bank"
        PPU_READ $1FE8
        EXPECT_PPU $1010, $FF, 13, "latch 1 back at $FE: tile 1 not from the $FE bank"
        WRITE $F000, 1
        EXPECT_NAMETABLE $2000, $2400, 1, 14, "$F000 = 1 is not horizontal"
        WRITE $F000, 0
        EXPECT_NAMETABLE $2000, $2800, 1, 15, "$F000 = 0 is not vertical"

        jsr draw_picture
        WRITE $2000, $80        ; NMI on, all patterns at $0000
        WRITE $2001, $0A
:       lda frames
        cmp #4
        bcc :-
        PASS

draw_picture:
        PPU_ADDR $2000          ; vertical since $F000 = 0: $2400 is the other page
        jsr fill_nametable
        PPU_ADDR $2400
        jsr fill_nametable
        PPU_ADDR $3F00
        ldx #0
:       lda palette,x
        sta $2007
        inx
        cpx #4
        bne :-
        PPU_ADDR $2000
        WRITE $2005, 0
        sta $2005
        rts

; 30 rows of the pattern, then blank attributes.
fill_nametable:
        ldy #30
row:    ldx #0
:       lda row_tiles,x
        sta $2007
        inx
        cpx #32
        bne :-
        dey
        bne row
        lda #0
        ldx #64
:       sta $2007
        dex
        bne :-
        rts

row_tiles:
        .byte 1, 1, 1, 1, 1, 1, 1, 1, $FD, 1, 1, 1, 1, 1, 1, 1
        .byte $FE, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1
palette: .byte $0F, $16, $1A, $12

nmi:    inc frames
irq:    rti

.segment "VECTORS"
        .word nmi, reset, irq

; 4 KB bank 0: tile 1 in colour 3 (blue, a wrong bank shows). Bank 1 (the
; $FD bank): tile 1 in colour 2. Bank 2 (the $FE bank): tile 1 in colour 1.
; Bank 3: blank.
.segment "CHARS"
        .res 16, $00
        .res 16, $FF
        .res $1000 - 32, $00
        .res 16, $00
        .res 8, $00
        .res 8, $FF
        .res $1000 - 32, $00
        .res 16, $00
        .res 8, $FF
        .res 8, $00
