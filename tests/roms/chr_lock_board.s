; Mapper 185: the CHR ROM answers only at some latch values; otherwise a
; pattern read gives back the low byte of its address. The table lists latch
; values and what $0155 then reads. Assembled twice:
; - NES 2.0 submapper 6: the ROM answers while the latch's low two bits are 2.
; - PLAIN, no submapper: it answers while the latch's low four bits are not
;   all clear, except for $13. The values are the ones known games write to
;   silence the ROM ($00, $F0, $13, $20) and to enable it.
.segment "HEADER"
.ifndef PLAIN
        .byte "NES", $1A, 2, 1, $90, $B8, $60, 0,0,0,0,0,0,0
.else
        .byte "NES", $1A, 2, 1, $91, $B0, 0,0,0,0,0,0,0,0
.endif
.include "banktest.inc"

.ifndef PLAIN
test:   EXPECT_PPU $0123, $23, 2, "power-on (latch 0): the CHR ROM answers"
.else
test:   EXPECT_PPU $1F46, $46, 2, "power-on (latch 0): the CHR ROM answers"
.endif
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
.ifndef PLAIN
        EXPECT_PPU $1FFF, $80, 20, "the CHR ROM is not whole"
.endif
        PASS
wrong:  .byte "the CHR ROM answers at the wrong latch value (code 3 + entry)", 0
.ifndef PLAIN
values: .byte $02, $21, $F2, $13, $00, $22, $03, $FE
seen:   .byte $80, $55, $80, $55, $55, $80, $55, $80
.else
values: .byte $0F, $F0, $33, $00, $11, $13, $22, $20, $21, $FF
seen:   .byte $80, $55, $80, $55, $80, $55, $80, $55, $80, $80
.endif
