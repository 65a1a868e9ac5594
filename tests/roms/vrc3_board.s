; VRC3 (mapper 73): the 16 KB bank at $8000 and the last one fixed at $C000;
; the interrupt counter in 16-bit and 8-bit mode with its timing, and the A bit.
IRQ_ACK = $D000

.segment "HEADER"
        .byte "NES", $1A, 8, 0, $91, $40, 0,0,0,0,0,0,0,0

.segment "CODE"
.include "result.inc"
.include "checks.inc"
        FILL_BANKS 7, $4000, 0, 0
.include "cycle_irq.inc"

reset:  BOARD_RESET
        EXPECT_AT $C100, 7, 2, "$C000: not the last bank"
        WRITE $F000, 5
        EXPECT_AT $8100, 5, 3, "$8000: bank 5"
        WRITE $FFFF, 2
        EXPECT_AT $8100, 2, 4, "$8000: bank 2"
        EXPECT_AT $C100, 7, 5, "$C000: not the last bank"

        ; Latch $F080. 16-bit mode: $10000 - $F080 = 3968 cycles, about 360.7
        ; turns; 8-bit mode: $100 - $80 = 128 cycles, about 11.6 turns.
        WRITE $8000, 0
        WRITE $9FFF, 8
        WRITE $A000, 0
        WRITE $B000, $F
        cli
        MEASURE_IRQ $C000, $02
        EXPECT_TURNS 359, 362, 6, "16-bit mode: interrupt off time"
        MEASURE_IRQ $C000, $06
        EXPECT_TURNS 10, 13, 7, "8-bit mode: interrupt off time"
        ; 8-bit mode, A set: an interrupt every 128 cycles (the high byte,
        ; $F0, takes no part in the reload), n = (1100 + 28n) / 128, about 10
        ; with the handlers' 28 cycles each; A clear: one only.
        COUNT_IRQS $C000, $07, $C000, 9, 11, 8, "A set: not one per 128 cycles"
        COUNT_IRQS $C000, $06, $C000, 1, 1, 9, "A clear: not one interrupt"
        PASS

nmi:    rti

.segment "VECTORS"
        .word nmi, reset, irq_count_handler
