; Reads both controllers twice, at about frame 10 and frame 30: after a latch
; ($4016 = 1 then 0) ten reads of $4016 and ten of $4017, so two past the
; eighth. Finishes with result 0 and the text
;   "1:bbbbbbbbbb 2:bbbbbbbbbb 1:bbbbbbbbbb 2:bbbbbbbbbb"
; where each b is bit 0 of one read, in order.
.segment "HEADER"
        .byte "NES", $1A, 2, 1, $00, $00, 0,0,0,0,0,0,0,0

.segment "CODE"
.include "result.inc"
.include "wait.inc"

text    = $0300
text_at = $F2                   ; next free byte of the text

reset:  sei
        cld
        ldx #$FF
        txs
        jsr result_start
        lda #$40
        sta $4017
        lda #0
        sta text_at
        lda #10
        jsr wait_frames
        jsr read_both
        lda #' '
        jsr put
        lda #20
        jsr wait_frames
        jsr read_both
        lda #0
        jsr put
        lda #0
        ldx #<text
        ldy #>text
        jmp result_finish

; Latches both controllers and appends "1:" + ten reads of $4016, " 2:" +
; ten reads of $4017.
.proc read_both
        lda #1
        sta $4016
        lda #0
        sta $4016
        lda #'1'
        jsr put
        lda #':'
        jsr put
        ldx #10
one:    lda $4016
        and #$01
        ora #'0'
        jsr put
        dex
        bne one
        lda #' '
        jsr put
        lda #'2'
        jsr put
        lda #':'
        jsr put
        ldx #10
two:    lda $4017
        and #$01
        ora #'0'
        jsr put
        dex
        bne two
        rts
.endproc

; Appends A to the text.
.proc put
        ldy text_at
        sta text,y
        inc text_at
        rts
.endproc

nmi:
irq:    rti

.segment "VECTORS"
        .word nmi, reset, irq
