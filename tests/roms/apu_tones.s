; Plays three steady tones with silence between them, for a test that checks
; the recorded sound: pulse 1 with period 253 (a 50 % square, 4064 CPU cycles
; per wave), the triangle with period 50 (1632 cycles per wave), then the
; noise in its short mode with period index 4 (64 cycles per shift, the
; pattern repeating every 93 shifts). Each plays about 20 frames, with about
; 10 frames of silence before and after.
.segment "HEADER"
        .byte "NES", $1A, 2, 1, $00, $00, 0,0,0,0,0,0,0,0

.segment "CODE"
.include "result.inc"
.include "wait.inc"

reset:  sei
        cld
        ldx #$FF
        txs
        jsr result_start
        lda #$40                ; no frame interrupt
        sta $4017
        lda #10
        jsr wait_frames

        lda #$01                ; pulse 1 on
        sta $4015
        lda #$BF                ; duty 2, length halted, constant volume 15
        sta $4000
        lda #$00                ; no sweep
        sta $4001
        lda #253
        sta $4002
        lda #$00                ; period bits 10-8 = 0
        sta $4003
        lda #20
        jsr wait_frames
        lda #$00
        sta $4015
        lda #10
        jsr wait_frames

        lda #$04                ; triangle on
        sta $4015
        lda #$FF                ; length halted, linear counter 127 held
        sta $4008
        lda #50
        sta $400A
        lda #$00
        sta $400B
        lda #20
        jsr wait_frames
        lda #$00                ; stops; the triangle holds its last level
        sta $4015
        lda #10
        jsr wait_frames

        lda #$08                ; noise on
        sta $4015
        lda #$3F                ; length halted, constant volume 15
        sta $400C
        lda #$84                ; short mode, period index 4
        sta $400E
        lda #$00
        sta $400F
        lda #20
        jsr wait_frames
        lda #$00
        sta $4015
        lda #10
        jsr wait_frames
        PASS

nmi:
irq:    rti

.segment "VECTORS"
        .word nmi, reset, irq
