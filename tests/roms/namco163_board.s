; Namco 163 (mapper 19): PRG windows, CHR banks, nametable RAM in a pattern
; page and ROM in a nametable, the data port with auto-increment, work RAM
; write protection, the 15-bit interrupt counter, then the sound: an APU
; reference pulse and one wavetable channel (a 16-sample square of 0 and 15
; at volume 15, frequency $F00: 15 * 16 * 65536 / $F00 = 4096 cycles a wave),
; alone, then with a second, silent channel enabled.
.segment "HEADER"
        .byte "NES", $1A, 8, 2, $30, $10, 0,0,0,0,0,0,0,0

.segment "CODE"
RESULT_BASE = $0700
.include "result.inc"
.include "checks.inc"
        FILL_BANKS 15, $2000, 16, $80
.include "wait.inc"
.include "tone.inc"
IRQ_ACK = $5800                 ; $7F: stopped, the high bits kept
IRQ_ACK_VALUE = $7F
.include "cycle_irq.inc"

reset:  BOARD_RESET
        EXPECT_AT $E000, 15, 2, "the last bank is not fixed at $E000"
        ldx #3
        stx $E000
        inx
        stx $E800
        inx
        stx $F7FF
        EXPECT_AT $8000, 3, 3, "$E000 = 3 does not map bank 3 at $8000"
        EXPECT_AT $A000, 4, 3, "$E800 = 4 does not map bank 4 at $A000"
        EXPECT_AT $C000, 5, 3, "$F000 = 5 does not map bank 5 at $C000"
        WRITE $8000, 5
        WRITE $BFFF, 9
        EXPECT_PPU $0000, $85, 4, "$8000 = 5 does not map CHR bank 5 at $0000"
        EXPECT_PPU $1C00, $89, 4, "$B800 = 9 does not map CHR bank 9 at $1C00"
        ldx #$E0                ; vertical: nametable RAM pages 0, 1, 0, 1
        stx $C000
        stx $D000
        inx
        stx $C800
        stx $D800
        EXPECT_NAMETABLE $2000, $2800, 1, 5, "$E0/$E1 nametables are not vertical"
        EXPECT_NAMETABLE $2000, $2400, 0, 5, "$E0/$E1 nametables are not vertical"
        WRITE $8000, $E1        ; nametable RAM page 1 at pattern page 0
        PPU_WRITE $0010, $3C
        EXPECT_PPU $2410, $3C, 6, "$8000 = $E1 does not show nametable page 1"
        WRITE $E800, $44        ; $E800 bit 6: pages 0-3 show ROM
        EXPECT_PPU $0000, $81, 7, "$E800 bit 6 does not give $E1 as ROM bank 1"
        WRITE $C800, 7
        EXPECT_PPU $2400, $87, 8, "$C800 = 7 does not show CHR bank 7"
        WRITE $F800, $90        ; address $10, auto-increment
        WRITE $4800, $11
        WRITE $4800, $22
        WRITE $F800, $11
        EXPECT_AT $4800, $22, 9, "the data port did not auto-increment"
        EXPECT_AT $4800, $22, 9, "the data port incremented without bit 7"
        WRITE $F800, $40        ; writes on in every quarter
        WRITE $6000, $5A
        WRITE $F800, $41        ; $6000-$67FF protected
        sta $6000
        sta $6800
        EXPECT_AT $6000, $5A, 10, "$F800 = $41 did not protect $6000"
        EXPECT_AT $6800, $41, 10, "$F800 = $41 protected $6800"
        ; The counter from $7F37 reaches $7FFF 200 cycles (18.2 turns) on.
        WRITE $5000, $37
        cli
        MEASURE_IRQ $5800, $FF
        sei
        EXPECT_TURNS 17, 19, 11, "no interrupt 200 cycles on"
        EXPECT_AT $5000, $FF, 12, "the counter did not stop at $7FFF"
        EXPECT_AT $5800, $7F, 12, "the counter did not stop at $7FFF"

        ldx #<tones
        ldy #>tones
        jsr play_tones
        PASS

; Sound on, the wave at 0 (eight samples of 15, eight of 0), then channel
; 8's registers at $78-$7F.
tones:  APU_REFERENCE_TONE
        TONE_WRITE $E000, $00
        TONE_WRITE $F800, $80
        .repeat 4
        TONE_WRITE $4800, $FF
        .endrepeat
        .repeat 4
        TONE_WRITE $4800, $00
        .endrepeat
        TONE_WRITE $F800, $F8
        TONE_WRITE $4800, $00   ; frequency bits 0-7
        TONE_WRITE $4800, $00   ; phase
        TONE_WRITE $4800, $0F   ; frequency bits 8-15
        TONE_WRITE $4800, $00
        TONE_WRITE $4800, $F0   ; length 256 - $F0 = 16, frequency bits 16-17
        TONE_WRITE $4800, $00
        TONE_WRITE $4800, $00   ; wave address
        TONE_WRITE $4800, $0F   ; one channel, volume 15
        .word 0
        TONE_WRITE $F800, $7F
        TONE_WRITE $4800, $00   ; volume 0
        .word 0
        TONE_WRITE $F800, $7F   ; again with two channels, the other silent
        TONE_WRITE $4800, $1F
        .word 0
        TONE_WRITE $F800, $7F
        TONE_WRITE $4800, $10
        .word 0
        .word 0

nmi:    rti

; Acknowledges and stops the counter, keeping its high bits.
.segment "VECTORS"
        .word nmi, reset, irq_count_handler
