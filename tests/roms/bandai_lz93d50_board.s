; Bandai LZ93D50 with a 24C01 EEPROM (mapper 159): registers only at
; $8000-$FFFF, the latched counter, and the 24C01's own framing (no device
; byte: address bits A0-A6, then R/W, least significant bit first), its
; 4-byte page rolling over, and reads running on.
.segment "HEADER"
        .byte "NES", $1A, 4, 4, $F2, $90, 0,0,0,0,0,0,0,0

RESULT_BASE = $0700
BANK_16K = 1
EEPROM_LSB_FIRST = 1
.include "irqboard.inc"
.include "eeprom.inc"

irq:    stx irq_x
        WRITE $800A, 0          ; stops counting, acknowledges
        IRQ_RETURN

test:   WRITE $8008, 2
        WRITE $6008, 1
        EXPECT_AT $8100, 2, 2, "$8008 = 2 (and $6008 ignored)"
        EXPECT_AT $C100, 3, 3, "last bank not fixed at $C000"
        WRITE $8003, 13
        EXPECT_PPU $0C00, 13, 4, "$8003 = 13"
        WRITE $8009, 2
        EXPECT_NAMETABLE $2400, $2800, 1, 5, "$8009 = 2 is not one screen"
        ; The latch (500) reaches the counter only through $800A.
        WRITE $800B, $F4
        WRITE $800C, $01
        TIME_IRQ $800A, 1, 500, 6

        ; Five bytes from address 4: the fifth rolls over onto 4.
        jsr i2c_start
        SEND $04, 1, 7          ; address 4, write
        .repeat 5, i
        SEND $11 * (i + 1), 1, 8
        .endrepeat
        jsr i2c_stop
        jsr i2c_start
        SEND $86, 1, 9          ; address 6, read
        RECEIVE 1, $33, 10
        RECEIVE 1, $44, 11
        RECEIVE 0, $FF, 12      ; address 8, never written
        jsr i2c_stop
        jsr i2c_start
        SEND $84, 1, 13         ; address 4, read
        RECEIVE 1, $55, 14
        RECEIVE 0, $22, 15
        jsr i2c_stop
        PASS
