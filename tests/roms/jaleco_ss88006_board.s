; Jaleco SS88006 (mapper 18): bank numbers written a nibble at a time, the
; work RAM switch, mirroring, and the CPU-cycle counter: N in its counting
; bits interrupts N + 1 cycles after counting starts (when they wrap from 0),
; with 16, 12, 8 or 4 counting bits.
.segment "HEADER"
        .byte "NES", $1A, 4, 4, $20, $10, 0,0,0,0,0,0,0,0

RESULT_BASE = $0700
.include "irqboard.inc"

irq:    stx irq_x
        WRITE $F001, 0          ; stops counting, acknowledges
        IRQ_RETURN

; Loads the reload value, a nibble per register, and the counter ($F000).
.macro RELOAD value
        .repeat 4, i
        lda #((value >> (i * 4)) & $0F)
        sta $E000 + i
        .endrepeat
        sta $F000
.endmacro

test:   WRITE $8000, 3
        WRITE $8001, 0
        WRITE $8002, 4
        WRITE $8003, 0
        WRITE $9000, 5
        WRITE $9001, 0
        EXPECT_AT $8100, 3, 2, "$8000/$8001 = 3"
        EXPECT_AT $A100, 4, 3, "$8002/$8003 = 4"
        EXPECT_AT $C100, 5, 4, "$9000/$9001 = 5"
        EXPECT_AT $E100, 7, 5, "last bank not fixed at $E000"
        WRITE $A000, 3
        WRITE $A001, 1          ; bank $13 = 19
        WRITE $D002, 6
        WRITE $D003, 1          ; bank $16 = 22
        EXPECT_PPU $0000, 19, 6, "$A000/$A001 = $13"
        EXPECT_PPU $1C00, 22, 7, "$D002/$D003 = $16"
        WRITE $9002, 3
        WRITE $6123, $5A
        WRITE $9002, 1          ; on, read-only
        WRITE $6123, $00
        EXPECT_AT $6123, $5A, 8, "$9002 = 1 lets the work RAM be written"
        WRITE $9002, 0
        EXPECT_AT $6123, $61, 9, "$9002 = 0 leaves the work RAM readable"
        WRITE $9002, 3
        EXPECT_AT $6123, $5A, 9, "$9002 = 3 does not bring back the work RAM"
        WRITE $F002, 0
        EXPECT_NAMETABLE $2000, $2400, 1, 10, "$F002 = 0 is not horizontal"
        WRITE $F002, 1
        EXPECT_NAMETABLE $2000, $2800, 1, 11, "$F002 = 1 is not vertical"
        WRITE $F002, 3
        EXPECT_NAMETABLE $2000, $2C00, 1, 12, "$F002 = 3 is not one screen"

        ; Counting bits: 16 ($F001 = $01), 12 ($03), 8 ($05), 4 ($09).
        RELOAD $0258
        TIME_IRQ $F001, $01, 601, 13
        RELOAD $F0C8
        TIME_IRQ $F001, $03, 201, 14
        RELOAD $12C8
        TIME_IRQ $F001, $05, 201, 15
        RELOAD $FFF9
        TIME_IRQ $F001, $09, 10, 16
        ; The same $12C8 with all sixteen bits counting is 4809 cycles away.
        RELOAD $12C8
        WRITE $F001, $01
        EXPECT_NO_IRQ 17
        PASS
