; Logs controller 1: once per frame it latches the controllers, reads the
; eight buttons of $4016 into one byte (A in bit 7 down to Right in bit 0) and,
; when the byte differs from the last one, appends it to a log in work RAM:
;   $6100      the number of bytes logged (stops at 255)
;   $6101...   the button bytes, oldest first
;   $6200-01   the frames seen, low byte first (shows when the machine ran)
; A host presses keys and reads the log back from a saved state.
.segment "HEADER"
        .byte "NES", $1A, 2, 1, $00, $00, 0,0,0,0,0,0,0,0

.segment "CODE"
.include "checks.inc"

LOG_COUNT = $6100
LOG       = $6101
FRAMES    = $6200
buttons   = $10
last      = $11

reset:  sei
        cld
        ldx #$FF
        txs
        WRITE $4017, $40
        WRITE LOG_COUNT, 0
        sta last
        sta FRAMES
        sta FRAMES+1
frame:  bit $2002               ; wait for the start of vblank
        bpl frame
        inc FRAMES
        bne latch
        inc FRAMES+1
latch:  WRITE $4016, 1
        WRITE $4016, 0
        ldx #8
read:   lda $4016
        lsr a
        rol buttons
        dex
        bne read
        lda buttons
        cmp last
        beq frame
        sta last
        ldx LOG_COUNT
        cpx #$FF
        beq frame
        sta LOG,x
        inc LOG_COUNT
        jmp frame

ignore: rti

.segment "VECTORS"
        .word ignore, reset, ignore
