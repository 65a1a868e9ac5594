; Bandai FCG, mapper 16 from an iNES 1.0 header: both chips, the FCG-1/2's
; registers at $6000-$7FFF (the counter written directly) and the LZ93D50's
; at $8000-$FFFF (a latch that $800A copies into the counter), then the
; LZ93D50's 24C02 EEPROM: a page write, its 8-byte page rolling over, reads.
.segment "HEADER"
        .byte "NES", $1A, 4, 4, $02, $10, 0,0,0,0,0,0,0,0

RESULT_BASE = $0700
BANK_16K = 1
.include "irqboard.inc"
.include "eeprom.inc"

irq:    stx irq_x
        lda #0
        sta $600A               ; stops counting, acknowledges
        IRQ_RETURN

test:   EXPECT_AT $8100, 0, 2, "power-on: bank 0 not at $8000"
        EXPECT_AT $C100, 3, 3, "last bank not fixed at $C000"
        lda #2
        sta $6008
        EXPECT_AT $8100, 2, 4, "$6008 = 2"
        lda #1
        sta $8008
        EXPECT_AT $8100, 1, 5, "$8008 = 1"
        lda #19
        sta $6000
        lda #21
        sta $8007
        EXPECT_PPU $0000, 19, 6, "$6000 = 19"
        EXPECT_PPU $1C00, 21, 7, "$8007 = 21"
        lda #0
        sta $8009
        EXPECT_NAMETABLE $2000, $2800, 1, 8, "$8009 = 0 is not vertical"
        lda #1
        sta $6009
        EXPECT_NAMETABLE $2000, $2400, 1, 9, "$6009 = 1 is not horizontal"
        lda #3
        sta $8009
        EXPECT_NAMETABLE $2000, $2C00, 1, 10, "$8009 = 3 is not one screen"

        ; FCG: $600B/$600C set the counter (600); the latch (200) stays aside.
        lda #200
        sta $800B
        lda #0
        sta $800C
        lda #$58
        sta $600B
        lda #$02
        sta $600C
        TIME_IRQ $600A, 1, 600, 11
        ; LZ93D50: $800A copies the latch (700) over the counter (300).
        lda #$BC
        sta $800B
        lda #$02
        sta $800C
        lda #$2C
        sta $600B
        lda #$01
        sta $600C
        TIME_IRQ $800A, 1, 700, 12
        ; Counting enabled on a counter at 0 interrupts at once.
        lda #0
        sta $600B
        sta $600C
        TIME_IRQ $600A, 1, 0, 13

        ; Nine bytes from $20: the ninth rolls over onto $20.
        jsr i2c_start
        SEND $A0, 1, 14
        SEND $20, 1, 15
        .repeat 9, i
        SEND $11 * (i + 1), 1, 16
        .endrepeat
        jsr i2c_stop
        ; Another device's address is not answered.
        jsr i2c_start
        SEND $B0, 0, 17
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
        PASS
