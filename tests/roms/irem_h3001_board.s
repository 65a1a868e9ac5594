; Irem H3001 (mapper 65): the PRG windows and their swap, CHR banks,
; mirroring, and the CPU-cycle counter: loaded by $9004, counting while
; enabled, interrupting after as many cycles as it held, then staying at 0.
.segment "HEADER"
        .byte "NES", $1A, 4, 4, $10, $40, 0,0,0,0,0,0,0,0

.include "irqboard.inc"

irq:    stx irq_x
        sta $9003               ; any write acknowledges (A = 0: disabled)
        IRQ_RETURN

test:   EXPECT_AT $8100, 0, 2, "power-on: bank 0 not at $8000"
        EXPECT_AT $A100, 1, 3, "power-on: bank 1 not at $A000"
        EXPECT_AT $C100, 6, 4, "power-on: second-last bank not at $C000"
        WRITE $8000, 3
        WRITE $A000, 5
        EXPECT_AT $8100, 3, 5, "$8000 = 3"
        EXPECT_AT $A100, 5, 6, "$A000 = 5"
        WRITE $9000, $80
        EXPECT_AT $8100, 6, 7, "swapped: second-last bank not at $8000"
        EXPECT_AT $C100, 3, 8, "swapped: $8000 value not at $C000"
        EXPECT_AT $E100, 7, 9, "last bank not fixed at $E000"
        WRITE $B003, 9
        WRITE $B007, 21
        EXPECT_PPU $0C00, 9, 10, "$B003 = 9"
        EXPECT_PPU $1C00, 21, 11, "$B007 = 21"
        WRITE $9001, $00
        EXPECT_NAMETABLE $2000, $2800, 1, 12, "$9001 = $00 is not vertical"
        WRITE $9001, $80
        EXPECT_NAMETABLE $2000, $2400, 1, 13, "$9001 = $80 is not horizontal"
        WRITE $9001, $40
        EXPECT_NAMETABLE $2C00, $2000, 1, 14, "$9001 = $40 is not one screen"

        ; 600 cycles ($0258), loaded by $9004 before counting starts.
        WRITE $9005, $02
        WRITE $9006, $58
        sta $9004
        TIME_IRQ $9003, $80, 600, 15
        ; The counter stays at 0: counting on gives no second interrupt.
        WRITE $9003, $80
        EXPECT_NO_IRQ 16
        ; A new reload value waits for $9004.
        WRITE $9003, $00
        WRITE $9005, $01
        WRITE $9006, $F4
        sta $9004
        TIME_IRQ $9003, $80, 500, 17
        PASS
