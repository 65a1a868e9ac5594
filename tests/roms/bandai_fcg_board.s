; Bandai FCG (mapper 16), assembled once per SUBMAPPER: 4, the FCG-1/2 with
; its registers at $6000-$7FFF (the counter written directly); 5, the
; LZ93D50 with them at $8000-$FFFF (a latch that $800A copies into the
; counter) and a 24C02 EEPROM; 0, an iNES 1.0 header: both chips, each in
; its range. Then the 24C02: a page write, its 8-byte page rolling over,
; reads, another device's address left unanswered.
FCG = SUBMAPPER <> 5
LZ93D50 = SUBMAPPER <> 4

.segment "HEADER"
.if SUBMAPPER = 0
        .byte "NES", $1A, 4, 4, $02, $10, 0,0,0,0,0,0,0,0
.else   ; NES 2.0; the 24C02's 256 bytes as battery-kept PRG-NVRAM
        .byte "NES", $1A, 4, 4, $02, $18
        .byte SUBMAPPER << 4, 0, LZ93D50 * $20, 0,0,0,0,0
.endif

RESULT_BASE = $0700
BANK_16K = 1
.include "irqboard.inc"
.include "eeprom.inc"

irq:    stx irq_x
        WRITE $600A, 0          ; stops counting, acknowledges
        sta $800A
        IRQ_RETURN

; Writes value to the register at addr and expects the byte at check.
.macro SWITCH addr, value, check, expected, code, text
        WRITE addr, value
        EXPECT_AT check, expected, code, text
.endmacro

test:   EXPECT_AT $8100, 0, 2, "power-on: bank 0 not at $8000"
        EXPECT_AT $C100, 3, 3, "last bank not fixed at $C000"
        SWITCH $6008, 2, $8100, 2 * FCG, 4, "$6008 = 2"
        SWITCH $8008, 1, $8100, LZ93D50 + 2 * (1 - LZ93D50), 5, "$8008 = 1"
.if FCG
        WRITE $6000, 19
        EXPECT_PPU $0000, 19, 6, "$6000 = 19"
        WRITE $6009, 0
        EXPECT_NAMETABLE $2000, $2800, 1, 7, "$6009 = 0 is not vertical"
        ; $600B/$600C set the counter (600); the LZ93D50's latch stays aside.
        WRITE $800B, 200
        WRITE $800C, 0
        WRITE $600B, $58
        WRITE $600C, $02
        TIME_IRQ $600A, 1, 600, 8
.endif
.if LZ93D50
        WRITE $8007, 21
        EXPECT_PPU $1C00, 21, 9, "$8007 = 21"
        WRITE $8009, 1
        EXPECT_NAMETABLE $2000, $2400, 1, 10, "$8009 = 1 is not horizontal"
        WRITE $8009, 3
        EXPECT_NAMETABLE $2000, $2C00, 1, 11, "$8009 = 3 is not one screen"
        ; $800A copies the latch (700) over the counter (300).
        WRITE $800B, $BC
        WRITE $800C, $02
        WRITE $600B, $2C
        WRITE $600C, $01
        TIME_IRQ $800A, 1, 700, 12
        ; Counting enabled on a counter at 0 interrupts at once.
        WRITE $800B, 0
        sta $800C
        TIME_IRQ $800A, 1, 0, 13

        ; Nine bytes from $20: the ninth rolls over onto $20.
        jsr i2c_start
        SEND $A0, 1, 14
        SEND $20, 1, 15
        .repeat 9, i
        SEND $11 * (i + 1), 1, 16
        .endrepeat
        jsr i2c_stop
        jsr i2c_start
        SEND $B0, 0, 17         ; another device's address
        jsr i2c_stop
        jsr i2c_start
        SEND $A0, 1, 18
        SEND $20, 1, 19
        jsr i2c_start
        SEND $A1, 1, 20
        RECEIVE 1, $99, 21
        RECEIVE 1, $22, 22
        RECEIVE 0, $33, 23
        jsr i2c_stop
        ; Reading runs on past the page: $27, then the erased $28.
        jsr i2c_start
        SEND $A0, 1, 24
        SEND $27, 1, 25
        jsr i2c_start
        SEND $A1, 1, 26
        RECEIVE 1, $88, 27
        RECEIVE 0, $FF, 28
        jsr i2c_stop
.else
        EXPECT_AT $6000, $60, 6, "no EEPROM line: open bus at $6000"
        ; Counting enabled on a counter at 0 interrupts at once.
        WRITE $600B, 0
        sta $600C
        TIME_IRQ $600A, 1, 0, 13
.endif
        PASS
