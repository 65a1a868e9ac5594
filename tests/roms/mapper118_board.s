; Mapper 118: an MMC3 whose nametables are chosen by bit 7 of the CHR bank
; values (the CHR banks themselves use 6 and 7 bits), re-chosen by writes to
; $8000 only; no mirroring register. The scanline counter is clocked by the
; pattern fetches but not by PPU addresses set through $2006.
.segment "HEADER"
        .byte "NES", $1A, 2, 8, $60, $70, 0,0,0,0,0,0,0,0

.segment "ZEROPAGE"
irq_count: .res 1

.segment "CODE"
.include "result.inc"
.include "checks.inc"

; Sets register r to value without touching the nametables: the select goes
; to $8002, a mirror of the bank-select register.
.macro QUIET_BANK r, value
        lda #r
        sta $8002
        lda #value
        sta $8001
.endmacro

reset:  sei
        cld
        ldx #$FF
        txs
        lda #$40
        sta $4017
        lda #0
        sta $2000
        sta $2001
        sta irq_count
        WAIT_VBLANK
        WAIT_VBLANK
        lda #$80
        sta $A001               ; work RAM on
        jsr result_start

        ; CHR: 1 KB values use 7 bits, 2 KB values 6 bits and drop bit 0.
        QUIET_BANK $02, $85
        EXPECT_PPU $1000, $85, 2, "R2 = $85 does not map 1 KB bank 5"
        QUIET_BANK $00, $86
        EXPECT_PPU $0000, $86, 3, "R0 = $86 does not map 2 KB bank 3"
        EXPECT_PPU $0400, $87, 4, "R0: second half of the 2 KB bank"

        ; Normal layout: R0 chooses $2000/$2400, R1 $2800/$2C00.
        QUIET_BANK $00, $80
        QUIET_BANK $01, $00
        lda #$00
        sta $8000
        EXPECT_NAMETABLE $2000, $2400, 1, 5, "R0 does not choose $2000 and $2400 together"
        EXPECT_NAMETABLE $2800, $2C00, 1, 6, "R1 does not choose $2800 and $2C00 together"
        EXPECT_NAMETABLE $2000, $2800, 0, 7, "R0 and R1 chose the same page"
        QUIET_BANK $01, $80
        EXPECT_NAMETABLE $2000, $2800, 0, 8, "a bank-data write changed the nametables"
        lda #$01
        sta $8000
        EXPECT_NAMETABLE $2000, $2800, 1, 9, "$8000 write did not re-choose the nametables"

        ; Inverted layout: R2-R5 choose one quarter each.
        QUIET_BANK $82, $00
        QUIET_BANK $83, $80
        QUIET_BANK $84, $80
        QUIET_BANK $85, $00
        lda #$80
        sta $8000
        EXPECT_NAMETABLE $2400, $2800, 1, 10, "inverted: R3 and R4 not on one page"
        EXPECT_NAMETABLE $2000, $2C00, 1, 11, "inverted: R2 and R5 not on one page"
        EXPECT_NAMETABLE $2000, $2400, 0, 12, "inverted: R2 and R3 on one page"
        lda #$00
        sta $A000               ; would be vertical on mapper 4
        EXPECT_NAMETABLE $2400, $2800, 1, 13, "$A000 changed the nametables"

        ; The counter: $2006 addresses do not clock it on this board ...
        lda #1
        sta $C000
        sta $C001
        sta $E001
        cli
        ldx #8
:       lda #$10
        sta $2006
        lda #$00
        sta $2006
        sta $2006
        sta $2006
        dex
        bne :-
        lda irq_count
        beq :+
        FAIL 14, "a $2006 address clocked the counter"
:
        ; ... but the sprite pattern fetches of rendered lines do.
        lda #$08
        sta $2000               ; sprites at $1000
        lda #$18
        sta $2001
        WAIT_VBLANK
        WAIT_VBLANK
        lda #0
        sta $2001
        lda irq_count
        bne :+
        FAIL 15, "rendering did not raise the interrupt"
:       PASS

nmi:    rti

irq:    pha
        sta $E000               ; acknowledge and disable
        sta $E001               ; and enable again
        inc irq_count
        pla
        rti

.segment "VECTORS"
        .word nmi, reset, irq

.segment "CHARS"
.repeat 64, unit
        .res 1024, $80 + unit
.endrepeat
