; Mapper 185 without a submapper: the CHR ROM answers while the latch's low
; four bits are not all clear, except for $13; otherwise a pattern read gives
; back the low byte of its address. The values are the ones known games
; write to silence the ROM ($00, $F0, $13, $20) and to enable it.
.segment "HEADER"
        .byte "NES", $1A, 2, 1, $91, $B0, 0,0,0,0,0,0,0,0
.include "banktest.inc"

test:   EXPECT_PPU $1F46, $46, 2, "power-on (latch 0): the CHR ROM answers"
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
        PASS
wrong:  .byte "the CHR ROM answers at the wrong latch value (code 3 + entry)", 0
values: .byte $0F, $F0, $33, $00, $11, $13, $22, $20, $21, $FF
seen:   .byte $80, $55, $80, $55, $80, $55, $80, $55, $80, $80
