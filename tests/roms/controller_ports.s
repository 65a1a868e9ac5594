; Reads both controllers twice, at about frame 10 and frame 30: after a latch
; ($4016 = 1 then 0) ten reads of $4016 and ten of $4017, so two past the
; eighth. Finishes with result 0 and the text
;   "1:bbbbbbbbbb 2:bbbbbbbbbb 1:bbbbbbbbbb 2:bbbbbbbbbb"
; where each b is bit 0 of one read, in order.
.segment "HEADER"
        .byte "NES", $1A, 2, 1, $00, $00, 0,0,0,0,0,0,0,0

.segment "CODE"
.include "result.inc"
.include "checks.inc"
.include "wait.inc"

text    = $0300
text_at = $F2                   ; Y kept over the wait
reads   = $F3

reset:  sei
        cld
        ldx #$FF
        txs
        jsr result_start
        WRITE $4017, $40
        ldy #0                  ; Y: next free byte of the text
        lda #10
        jsr read_both
        lda #20
        jsr read_both
        lda #0
        sta text-1,y            ; the last space ends the text
        ldx #<text
        ldy #>text
        jmp result_finish

; Waits A frames, latches both controllers and appends "1:" + ten reads of
; $4016 + " 2:" + ten reads of $4017 + " ".
.proc read_both
        sty text_at
        jsr wait_frames
        ldy text_at
        WRITE $4016, 1
        lsr a
        sta $4016
        ldx #0                  ; X: the port, 0 or 1
port:   txa
        clc
        adc #'1'
        sta text,y
        lda #':'
        sta text+1,y
        iny
        iny
        WRITE reads, 10
read:   lda $4016,x
        and #$01
        ora #'0'
        sta text,y
        iny
        dec reads
        bne read
        lda #' '
        sta text,y
        iny
        inx
        cpx #2
        bne port
        rts
.endproc

nmi:
irq:    rti

.segment "VECTORS"
        .word nmi, reset, irq
