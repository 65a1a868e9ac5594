; Plays four steady tones with silence between them, for a test that checks
; the recorded sound: pulse 1 with period 253 (a 50 % square, 4064 CPU cycles
; per wave), the triangle with period 50 (1632 cycles per wave), the noise in
; its short mode with period index 4 (64 cycles per shift, the pattern
; repeating every 93 shifts), then the DMC looping a 17-byte sample at rate
; 15 (136 bits of 54 cycles: 7344 cycles per wave). Each plays about 20
; frames, with about 10 frames of silence before; the DMC goes on to the end.
.segment "HEADER"
        .byte "NES", $1A, 2, 1, $00, $00, 0,0,0,0,0,0,0,0

.segment "CODE"
.include "result.inc"
.include "checks.inc"
.include "wait.inc"

tone     = $10                  ; offset of the tone in the table

; Per tone: its $4015 bit, its first register ($40xx), the four register values.
tones:  .byte $01, $00, $BF, $00, 253, $00  ; duty 2, length halted, volume 15, no sweep
        .byte $04, $08, $FF, $00, 50, $00   ; length halted, linear counter 127 held
        .byte $08, $0C, $3F, $00, $84, $00  ; length halted, volume 15; short mode, index 4
        .byte $10, $10, $4F, $40, <(sample >> 6), $01  ; loop, rate 15; level 64; 17 bytes

reset:  sei
        cld
        ldx #$FF
        txs
        jsr result_start
        WRITE $4017, $40        ; no frame interrupt
        WRITE tone, 0
play:   lda #10
        jsr wait_frames
        ldx tone
        lda tones,x
        sta $4015
        ldy tones+1,x
        WRITE wait_count, 4
write:  lda tones+2,x
        sta $4000,y
        inx
        iny
        dec wait_count
        bne write
        ldx tone                ; again: the DMC starts with its registers set
        lda tones,x
        sta $4015
        lda #20
        jsr wait_frames
        lda tone
        cmp #18                 ; the DMC plays on
        beq done
        WRITE $4015, $00        ; stops; the triangle holds its last level
        lda tone
        clc
        adc #6
        sta tone
        jmp play
done:   lda #10
        jsr wait_frames
        PASS

nmi:
irq:    rti

; Up to the top, down to the bottom, then a byte that ends where it began.
.segment "DMC"
sample: .byte $FF, $FF, $FF, $FF, $FF, $FF, $FF, $FF
        .byte $00, $00, $00, $00, $00, $00, $00, $00, $AA

.segment "VECTORS"
        .word nmi, reset, irq
