; Mapper 185, NES 2.0 submapper 6: the CHR ROM answers only while the low two
; bits of the latch are 2; otherwise a pattern read gives back the low byte
; of its address. The table lists latch values and what $0155 then reads.
.segment "HEADER"
        .byte "NES", $1A, 2, 1, $90, $B8, $60, 0,0,0,0,0,0,0
.include "banktest.inc"

test:   EXPECT_PPU $0123, $23, 2, "power-on (latch 0): the CHR ROM answers"
        ldx #0
next:   lda values,x
        sta $8000
        PPU_READ $0155
        cmp seen,x
        beq ok
        txa
        clc
        adc #3
        ldx #<wrong
        ldy #>wrong
        jmp result_finish
ok:     inx
        cpx #seen - values
        bne next
        EXPECT_PPU $1FFF, $80, 20, "the CHR ROM is not whole"
        PASS
wrong:  .byte "the CHR ROM answers at the wrong latch value (code 3 + entry)", 0
values: .byte $02, $21, $F2, $13, $00, $22, $03, $FE
seen:   .byte $80, $55, $80, $55, $55, $80, $55, $80
