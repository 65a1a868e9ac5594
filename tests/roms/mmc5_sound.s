; MMC5 sound: the pulses' length counters run at 240 Hz ($5015 shows them),
; $5015 stops a channel, a 0 written to the PCM DAC interrupts until $5010 is
; read; then three tones for the recording test, 10 frames of silence before
; each: an APU pulse (duty 2, volume 15, period 253: 4064 CPU cycles a wave),
; MMC5 pulse 1 the same, MMC5 pulse 2 the same at volume 8.
.segment "HEADER"
        .byte "NES", $1A, 8, 1, $50, $00, 0,0,0,0,0,0,0,0

.segment "ZEROPAGE"
irqs:   .res 1
status: .res 1

.segment "CODE"
.include "result.inc"
.include "checks.inc"
.include "wait.inc"

.macro PULSE base, control, low, high   ; four registers from base
        WRITE base, control
        WRITE base+2, low
        WRITE base+3, high
.endmacro
.macro FRAMES n
        lda #n
        jsr wait_frames
.endmacro

reset:  sei
        cld
        ldx #$FF
        txs
        WRITE $4017, $40
        WRITE $5113, 0
        sta irqs
        jsr result_start
        WRITE $5015, $01
        PULSE $5000, $90, 253, $C8     ; silent; length 24: 100 ms at 240 Hz
        FRAMES 3
        EXPECT_AT $5015, $01, 2, "pulse 1 length ran out within 3 frames"
        FRAMES 5
        EXPECT_AT $5015, $00, 3, "length 24 not run out after 8 frames"
        PULSE $5000, $90, 253, $C8
        WRITE $5015, $00
        EXPECT_AT $5015, $00, 4, "$5015 did not stop pulse 1"
        WRITE $5010, $80        ; PCM interrupt on, write mode
        cli
        WRITE $5011, $00
        nop
        nop
        sei
        lda irqs
        EXPECT_A 1, 5, "a 0 written to $5011 did not interrupt once"
        lda status
        EXPECT_A $80, 6, "$5010 did not show the PCM interrupt"
        EXPECT_AT $5010, $00, 7, "reading $5010 did not acknowledge"
        sta $5010

        FRAMES 10
        WRITE $4015, $01
        PULSE $4000, $BF, 253, $00      ; duty 2, halted, volume 15
        FRAMES 20
        WRITE $4015, 0
        FRAMES 10
        WRITE $5015, $01
        PULSE $5000, $BF, 253, $00
        FRAMES 20
        WRITE $5015, $02
        FRAMES 10
        PULSE $5004, $B8, 253, $00      ; volume 8
        FRAMES 20
        WRITE $5015, $00
        FRAMES 10
        PASS

irq:    pha
        lda $5010
        sta status
        inc irqs
        pla
nmi:    rti

.segment "VECTORS"
        .word nmi, reset, irq
