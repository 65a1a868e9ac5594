; The reset request of the $6000 protocol: the cartridge writes $81 and waits
; for the reset button. After the reset it keeps $81 in $6000 for a while (as
; a test that re-initialises the screen before reporting would) and then
; checks that the button was pressed exactly once, and that RAM survived it.
.segment "HEADER"
        .byte "NES", $1A, 2, 1, $00, $00, 0,0,0,0,0,0,0,0

.segment "CODE"
.include "result.inc"
.include "checks.inc"
.include "wait.inc"

resets  = $0300               ; resets seen since power-on
magic   = $0301               ; $A5 once the first run has asked for a reset

reset:  sei
        ldx #$FF
        txs
        lda magic
        cmp #$A5
        beq after_reset
        ; First run after power-on: ask for the reset and wait for it.
        WRITE resets, 0
        WRITE magic, $A5
        jsr result_start
        WRITE RESULT_STATUS, $81
forever:
        jmp forever

after_reset:
        inc resets
        ; Still $81 for 20 frames: the button must not be pressed again.
        lda #20
        jsr wait_frames
        WRITE RESULT_STATUS, $80
        lda resets
        EXPECT_A 1, 2, "reset pressed more than once"
        PASS

nmi:
irq:    rti

.segment "VECTORS"
        .word nmi, reset, irq
