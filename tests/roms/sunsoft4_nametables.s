; Sunsoft-4 picture for the save-state test: CHR ROM bank $81 stands in for
; every nametable, so each tile is $81 (a red stripe at x = 6 of every 8
; pixels, from the 1 KB unit 2 the $9000 bank holds) until Start is pressed,
; when the console's own (blank) nametables come back.
.segment "HEADER"
        .byte "NES", $1A, 8, 32, $40, $40, 0,0,0,0,0,0,0,0

.segment "CODE"
.include "checks.inc"
        FILL_BANKS 7, $4000, 256, 0

reset:  sei
        cld
        ldx #$FF
        txs
        lda #0
        sta $2000
        sta $2001
        WAIT_VBLANK
        WAIT_VBLANK
        lda #1
        sta $9000               ; 2 KB bank 1 (units 2 and 3) at $0800: tile $81
        sta $C000               ; nametable bank $81
        PPU_ADDR $3F00
        ldx #4
:       lda #$0F
        sta $2007
        lda #$16
        sta $2007
        sta $2007
        sta $2007
        dex
        bne :-
        PPU_ADDR $2000          ; the console's first nametable: tile 0, blank
        lda #0
        tax
        ldy #4
:       sta $2007
        inx
        bne :-
        dey
        bne :-
        lda #$10
        sta $E000               ; CHR ROM nametables, vertical
        PPU_ADDR $2000
        lda #0
        sta $2005
        sta $2005
        lda #$0A
        sta $2001
wait:   lda #1
        sta $4016
        lda #0
        sta $4016
        ldx #4                  ; A, B, Select, Start
:       lda $4016
        dex
        bne :-
        and #1
        beq wait
        lda #$00
        sta $E000
hang:   jmp hang

nmi:
irq:    rti

.segment "VECTORS"
        .word nmi, reset, irq
