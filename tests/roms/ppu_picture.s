; A known picture for comparison pixel by pixel: two nametables (written
; column by column, the address stepping 32) of tiles from the $1000 pattern
; table under a scroll, eleven 8x16 sprites from both pattern tables with
; every flip and priority combination, and the two left-column bits. Until
; frame 20 it shows scroll (13, 21) from nametable 0 with the background
; hidden in the left column; from frame 20 on, scroll (200, 100) from
; nametable 1 with the sprites hidden there, in greyscale with red emphasis.
; The pattern bytes come from formulas, so every tile is different.
.segment "HEADER"
        .byte "NES", $1A, 2, 1, $01, $00, 0,0,0,0,0,0,0,0   ; NROM, vertical mirroring

frame    = $10
tilexor  = $11
attrxor  = $12
high     = $13

.segment "CODE"
.include "checks.inc"

palette:
        .byte $0C,$11,$21,$31, $0C,$16,$26,$36, $0C,$19,$29,$39, $0C,$14,$24,$34
        .byte $0C,$02,$12,$22, $0C,$07,$17,$27, $0C,$0A,$1A,$2A, $0C,$05,$15,$25

; Y, tile, attributes, X
sprites:
        .byte  40, $02, $00,   3    ; left column
        .byte  40, $05, $41,  60    ; table 1, horizontal flip, palette 1
        .byte  45, $07, $82,  64    ; vertical flip, under sprite 1
        .byte  60, $08, $E3, 120    ; both flips, behind: hides sprite 4
        .byte  60, $0B, $00, 124    ;   where the background shows
        .byte 100, $10, $01,   0    ; x = 0
        .byte 100, $21, $22, 250    ; cut at the right edge, behind
        .byte 150, $30, $03, 200
        .byte 200, $41, $40,  30
        .byte 220, $52, $80,   7    ; last rows below the picture
        .byte 239, $63, $00, 100    ; never seen
sprites_end:

reset:  sei
        cld
        ldx #$FF
        txs
        WRITE $2000, 0
        sta $2001
        sta frame
        bit $2002
        WAIT_VBLANK
        WAIT_VBLANK

        WRITE tilexor, $00
        WRITE attrxor, $1B
        lda #$20
        jsr fill_nametable
        WRITE tilexor, $A5
        WRITE attrxor, $C6
        lda #$24
        jsr fill_nametable

        bit $2002
        WRITE $2006, $3F
        WRITE $2006, $00
        ldx #0
pal:    lda palette,x
        sta $2007
        inx
        cpx #32
        bne pal

        ldx #0                  ; the sprites, then $FF: off screen
oam:    lda #$FF
        cpx #sprites_end - sprites
        bcs put
        lda sprites,x
put:    sta $0200,x
        inx
        bne oam

        bit $2002
        WRITE $2000, $B0        ; NMI, 8x16 sprites, background from $1000
forever:
        jmp forever

; Fills the nametable whose address high byte is in A column by column, the
; address stepping 32 a write: tile k is k XOR tilexor. Then the attribute
; bytes, stepping 1: byte j is j XOR attrxor.
.proc fill_nametable
        sta high
        WRITE $2000, $04
        ldx #0
column: bit $2002
        lda high
        sta $2006
        stx $2006
        txa
        ldy #30
row:    pha
        eor tilexor
        sta $2007
        pla
        clc
        adc #32
        dey
        bne row
        inx
        cpx #32
        bne column
        WRITE $2000, $00
        lda high
        ora #$03
        sta $2006
        WRITE $2006, $C0
        ldx #0
attr:   txa
        eor attrxor
        sta $2007
        inx
        cpx #64
        bne attr
        rts
.endproc

nmi:    pha
        WRITE $2003, $00
        WRITE $4014, $02
        lda frame
        cmp #20
        bcs second
        WRITE $2000, $B0
        WRITE $2001, $1C        ; background hidden in the left column
        WRITE $2005, 13
        WRITE $2005, 21
        jmp done
second: WRITE $2000, $B1
        WRITE $2001, $3B        ; sprites hidden in the left column; greyscale, red
        WRITE $2005, 200
        WRITE $2005, 100
done:   inc frame
        bne keep
        dec frame
keep:   pla
irq:    rti

.segment "VECTORS"
        .word nmi, reset, irq

.segment "CHARS"
; 512 tiles: plane 0 of tile t row r is (t * 37) ^ (r * 29) ^ (t >> 3),
; plane 1 is (t * 11 + r * 71) ^ $5A, both cut to a byte.
.repeat 512, T
        .repeat 8, R
                .byte <((T * 37) ^ (R * 29) ^ (T >> 3))
        .endrepeat
        .repeat 8, R
                .byte <((T * 11 + R * 71) ^ $5A)
        .endrepeat
.endrepeat
