; MMC5 (mapper 5): the PRG modes, PRG RAM in the ROM windows, the multiplier,
; ExRAM as a nametable, and then a picture: ExRAM as extended attributes
; (each tile picks its own 4 KB CHR bank and palette), switched off by the
; scanline interrupt at line 120, so the lower half of the screen is drawn
; from the nametable's own tiles and attributes.
;
; Picture: tile 1 everywhere. In extended attribute mode the left half of the
; screen uses CHR bank 0 / palette 0 (red) and the right half CHR bank 1 /
; palette 1 (green). From line 120 on, everything shows CHR bank 0 with
; palette 0 (red).
.segment "HEADER"
        .byte "NES", $1A, 8, 1, $50, $00, 0,0,0,0,0,0,0,0

.segment "ZEROPAGE"
irq_count:  .res 1
irq_status: .res 1
irq_again:  .res 1
frames:     .res 1

.segment "CODE"
.include "result.inc"
.include "checks.inc"

TARGET_LINE = 120

reset:  sei
        cld
        ldx #$FF
        txs
        WRITE $4017, $40        ; no APU frame interrupt: only the MMC5 interrupts
        WRITE $2000, 0
        sta $2001
        sta irq_count
        sta frames
        WAIT_VBLANK
        WAIT_VBLANK
        WRITE $5113, 0          ; PRG RAM bank 0 at $6000 for the result
        jsr result_start

        ; Mode 3: four 8 KB windows.
        WRITE $5100, 3
        WRITE $5114, $81
        EXPECT_AT $8100, 1, 2, "mode 3: $5114 ROM bank 1"
        WRITE $5115, $85
        EXPECT_AT $A100, 5, 3, "mode 3: $5115 ROM bank 5"
        WRITE $5116, $8A
        EXPECT_AT $C100, 10, 4, "mode 3: $5116 ROM bank 10"
        EXPECT_AT $E100, 15, 5, "mode 3: last bank at $E000"

        ; PRG RAM bank 3 behind two windows at once.
        WRITE $5114, $03
        WRITE $8123, $5A
        WRITE $5116, $03
        EXPECT_AT $C123, $5A, 6, "RAM bank 3 at $C000 lacks the byte written at $8000"
        WRITE $5116, $8A
        EXPECT_AT $C100, 10, 7, "$C000 not back to ROM"

        ; Mode 2: 16 KB at $8000, 8 KB at $C000.
        WRITE $5100, 2
        WRITE $5115, $84
        EXPECT_AT $8100, 4, 8, "mode 2: 16 KB bank 2, first half"
        EXPECT_AT $A100, 5, 9, "mode 2: 16 KB bank 2, second half"
        WRITE $5116, $89
        EXPECT_AT $C100, 9, 10, "mode 2: $5116 ROM bank 9"

        ; A 16 KB RAM window (RAM banks 4 and 5), seen again through mode 3.
        WRITE $5115, $04
        WRITE $A010, $C3
        WRITE $5100, 3
        WRITE $5114, $05
        EXPECT_AT $8010, $C3, 11, "16 KB RAM window: second half is not RAM bank 5"

        ; Mode 1: two 16 KB windows.
        WRITE $5100, 1
        WRITE $5115, $86
        EXPECT_AT $8100, 6, 12, "mode 1: 16 KB bank 3 at $8000"
        EXPECT_AT $A100, 7, 13, "mode 1: 16 KB bank 3, second half"
        WRITE $5117, $8E
        EXPECT_AT $C100, 14, 14, "mode 1: 16 KB bank 7 at $C000"

        ; Mode 0: one 32 KB window (bank 3 keeps this code in place).
        WRITE $5100, 0
        WRITE $5117, $0C
        EXPECT_AT $8100, 12, 15, "mode 0: 32 KB bank 3"
        EXPECT_AT $C100, 14, 16, "mode 0: 32 KB bank 3, third quarter"
        WRITE $5100, 3
        WRITE $5117, $FF

        ; The multiplier.
        WRITE $5205, 7
        WRITE $5206, 9
        EXPECT_AT $5205, 63, 17, "7 * 9 low byte"
        EXPECT_AT $5206, 0, 18, "7 * 9 high byte"
        WRITE $5205, 200
        WRITE $5206, 150
        EXPECT_AT $5205, $30, 19, "200 * 150 low byte"
        EXPECT_AT $5206, $75, 20, "200 * 150 high byte"

        ; ExRAM as plain RAM and as the nametable at $2000.
        WRITE $5104, 2
        WRITE $5D55, $3C
        EXPECT_AT $5D55, $3C, 21, "ExRAM mode 2 is not RAM"
        WRITE $5105, $02
        EXPECT_PPU $2155, $3C, 22, "$2000 does not show ExRAM"
        PPU_ADDR $2166
        WRITE $2007, $4D
        EXPECT_AT $5D66, $4D, 23, "PPU write to $2166 not in ExRAM"
        WRITE $5104, 3
        WRITE $5D55, $99
        EXPECT_AT $5D55, $3C, 24, "ExRAM mode 3 is not read-only"
        WRITE $5104, 0
        EXPECT_AT $5D55, 0, 25, "ExRAM mode 0 readable by the CPU"

        jsr draw_picture
        WRITE $5203, TARGET_LINE
        WRITE $5204, $80
        cli
        WRITE $2000, $80        ; NMI on, background patterns at $0000
        WRITE $2001, $0A        ; background on, also in the left column
wait:   lda frames
        cmp #4
        bcc wait
        lda irq_count
        bne :+
        FAIL 26, "no scanline interrupt"
:       lda irq_status
        cmp #$C0
        beq :+
        FAIL 27, "$5204 did not read $C0 in the interrupt"
:       lda irq_again
        EXPECT_A $40, 28, "a second $5204 read still shows the interrupt"
        PASS

; Nametable 0 at all four quarters, tile 1 everywhere with attribute 0;
; ExRAM: columns 0-15 CHR bank 0 / palette 0, columns 16-31 CHR bank 1 /
; palette 1; CHR 8 KB bank 0 for the normal fetch.
draw_picture:
        WRITE $5105, $00
        sta $5101
        sta $5127
        PPU_ADDR $2000
        ldx #0
        ldy #0
        lda #1
:       sta $2007               ; 960 tiles
        inx
        bne :-
        iny
        cpy #3
        bne :-
:       sta $2007
        inx
        cpx #$C0
        bne :-
        lda #0
        ldx #64
:       sta $2007               ; attributes
        dex
        bne :-
        PPU_ADDR $3F00
        ldx #0
:       lda palette,x
        sta $2007
        inx
        cpx #8
        bne :-
        WRITE $5104, 2          ; ExRAM as RAM while it is filled
        WRITE $00, $00
        WRITE $01, $5C
        ldy #0
fill:   tya
        and #$10
        beq :+
        lda #$41                ; palette 1, CHR bank 1
:       sta ($00),y
        iny
        bne fill
        inc $01
        lda $01
        cmp #$60
        bne fill
        WRITE $5104, 1          ; extended attributes
        rts

palette: .byte $0F, $16, $12, $0F, $0F, $28, $1A, $0F

; Back to extended attributes for the next frame.
nmi:    pha
        WRITE $5104, 1
        inc frames
        pla
        rti

; At the target line: acknowledge, then draw the rest of the frame from the
; nametable's own tiles and attributes.
irq:    pha
        lda $5204
        bpl :+
        sta irq_status
        inc irq_count
        lda $5204               ; acknowledged by the first read
        sta irq_again
        WRITE $5104, 0
:       pla
        rti

.segment "VECTORS"
        .word nmi, reset, irq

; 4 KB bank 0: tile 1 in colour 1. 4 KB bank 1: tile 1 in colour 2.
.segment "CHARS"
        .res 16, $00
        .res 8, $FF
        .res 8, $00
        .res $1000 - 32, $00
        .res 16, $00
        .res 8, $00
        .res 8, $FF
