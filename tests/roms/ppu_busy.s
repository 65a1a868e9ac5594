; A busy picture for benchmarks: background and sixty-four 8x16 sprites
; (eight on most lines), moved and scrolled every frame, sprite DMA every
; vertical blank, and a main loop that never stops working on RAM.
.segment "HEADER"
        .byte "NES", $1A, 2, 1, $01, $00, 0,0,0,0,0,0,0,0   ; NROM, vertical mirroring

frame    = $10

.segment "CODE"
.include "checks.inc"

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

        ; Both nametables: tile = low byte of the position.
        bit $2002
        WRITE $2006, $20
        WRITE $2006, $00
        ldx #8
        ldy #0
fill:   tya
        sta $2007
        iny
        bne fill
        dex
        bne fill

        bit $2002
        WRITE $2006, $3F
        WRITE $2006, $00
        ldx #0
pal:    txa
        clc
        adc #$11
        and #$3F
        sta $2007
        inx
        cpx #32
        bne pal

        ; Sprite i: Y = (i / 8) * 28 + 4, X = (i mod 8) * 30, tile i * 2 + 1,
        ; palette i mod 4.
        ldx #0
        ldy #4                  ; Y of the row
row:    lda #0                  ; X of the sprite
column: sta $0203,x
        tya
        sta $0200,x
        txa
        lsr
        ora #1
        sta $0201,x
        lsr
        and #3
        sta $0202,x
        lda $0203,x
        inx
        inx
        inx
        inx
        clc
        adc #30
        cmp #240
        bne column
        tya
        clc
        adc #28
        tay
        cpx #0
        bne row

        bit $2002
        WRITE $2000, $B0        ; NMI, 8x16 sprites, background from $1000

; Work the CPU hard: move every sprite one pixel and churn through RAM.
main:   ldx #0
move:   inc $0203,x
        inx
        inx
        inx
        inx
        bne move
        ldx #0
churn:  lda $0400,x
        adc $0500,x
        sta $0600,x
        inx
        bne churn
        jmp main

nmi:    pha
        WRITE $2003, $00
        WRITE $4014, $02
        WRITE $2001, $1E
        WRITE $2000, $B0
        inc frame
        lda frame
        sta $2005
        lsr
        sta $2005
        pla
irq:    rti

.segment "VECTORS"
        .word nmi, reset, irq

.segment "CHARS"
.repeat 512, T
        .repeat 8, R
                .byte <((T * 37) ^ (R * 29) ^ (T >> 3))
        .endrepeat
        .repeat 8, R
                .byte <((T * 11 + R * 71) ^ $5A)
        .endrepeat
.endrepeat
