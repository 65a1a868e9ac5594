; Mapper 189: 32 KB PRG banks chosen through $4120 (both nibbles ORed) and
; $6100-$6109; $4000-$4017 still reach the APU and I/O registers; reads of
; $6000-$7FFF return 0; MMC3-style CHR registers that no bank count masks.
; The board has no work RAM, so the result goes to the screen (read it with
; --screen-text). The test runs from RAM since every bank switch replaces
; all of $8000-$FFFF.
.segment "HEADER"
        .byte "NES", $1A, 8, 3, $D0, $B0, 0,0,0,0,0,0,0,0

.import __RAMCODE_LOAD__, __RAMCODE_RUN__, __RAMCODE_SIZE__

.segment "CODE"
reset:  sei
        cld
        ldx #$FF
        txs
        lda #<__RAMCODE_LOAD__
        sta $00
        lda #>__RAMCODE_LOAD__
        sta $01
        lda #<__RAMCODE_RUN__
        sta $02
        lda #>__RAMCODE_RUN__
        sta $03
        ldy #0
        ldx #>(__RAMCODE_SIZE__ + 255)
copy:   lda ($00),y
        sta ($02),y
        iny
        bne copy
        inc $01
        inc $03
        dex
        bne copy
        jmp test

nmi:
irq:    rti

.segment "VECTORS"
        .word nmi, reset, irq

.segment "RAMCODE"
.include "screen_result.inc"
.include "checks.inc"

test:   lda #0
        sta $2000
        sta $2001
        WAIT_VBLANK
        WAIT_VBLANK
        EXPECT_AT $8100, 0, 2, "power-on: 32 KB bank 0, first half"
        EXPECT_AT $C100, 1, 3, "power-on: 32 KB bank 0, second half"
        lda #$21
        sta $4120
        EXPECT_AT $8100, 6, 4, "$4120 = $21 does not map 32 KB bank 3"
        EXPECT_AT $C100, 7, 5, "$4120 = $21: second half"
        lda #$00
        sta $4120
        lda #$12
        sta $4120
        EXPECT_AT $8100, 6, 6, "$4120 = $12 does not map 32 KB bank 3"
        lda #2
        sta $6105
        EXPECT_AT $8100, 4, 7, "$6105 = 2 does not map 32 KB bank 2"
        lda #1
        sta $6109
        lda #3
        sta $610A
        EXPECT_AT $8100, 2, 8, "$6109/$610A: wrong bank"
        lda #$0F
        sta $4120
        EXPECT_AT $8100, 6, 9, "bank 15 of 4 not kept inside the PRG"
        lda #$55
        sta $6000
        EXPECT_AT $6000, 0, 10, "$6000 does not read 0"
        EXPECT_AT $7FFF, 0, 11, "$7FFF does not read 0"
        lda #$03                ; a bank register: 32 KB bank 3 stays
        sta $6100
        EXPECT_AT $6100, 0, 12, "$6100 does not read 0"

        ; $4014 still starts the sprite DMA.
        ldx #0
:       txa
        eor #$5A
        sta $0200,x
        inx
        bne :-
        lda #0
        sta $2003
        lda #$02
        sta $4014
        lda #$03
        sta $2003
        EXPECT_AT $2004, ($03 ^ $5A), 13, "$4014 did not copy the page to OAM"

        ; CHR: 24 1 KB banks; the values are not masked by the count, so
        ; bank 30 wraps to unit 6 (a count mask would give 30 AND 23 = 22).
        lda #$02
        sta $8000
        lda #30
        sta $8001
        EXPECT_PPU $1000, $86, 14, "R2 = 30 does not show unit 6"
        lda #$00
        sta $8000
        lda #61
        sta $8001
        EXPECT_PPU $0000, $8C, 15, "R0 = 61 does not show unit 12 (2 KB bank 30)"
        EXPECT_PPU $0400, $8D, 16, "R0 = 61: second half"
        lda #$06
        sta $8000
        lda #$00
        sta $8001
        EXPECT_AT $8100, 6, 17, "R6 changed the PRG"

        lda #1
        sta $A000
        EXPECT_NAMETABLE $2000, $2400, 1, 18, "$A000 = 1 is not horizontal"
        lda #0
        sta $A000
        EXPECT_NAMETABLE $2000, $2800, 1, 19, "$A000 = 0 is not vertical"
        PASS

.segment "CHARS"
.repeat 24, unit
        .res 1024, $80 + unit
.endrepeat
