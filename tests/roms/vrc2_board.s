; VRC2, assembled once per board: MAPPER, SUBMAPPER (0: VRC2a with an iNES
; 1.0 header), A0LINE and A1LINE (the CPU lines on the chip's A0 and A1) and
; HALVED (the board drops the lowest CHR bank bit) come from the command line.
; Checks the PRG registers with nothing to swap, the CHR banks, one mirroring
; bit at every port of $9000, and, the board having no work RAM, the one bit
; kept at $6000-$6FFF with the rest of $6000-$7FFF open bus.
RESULT_BASE = $0700
P1 = A0LINE
P2 = A1LINE
P3 = A0LINE | A1LINE

.segment "HEADER"
.if SUBMAPPER = 0
        .byte "NES", $1A, 16, 4, (MAPPER & $0F) << 4, MAPPER & $F0, 0,0,0,0,0,0,0,0
.else   ; NES 2.0, no work RAM
        .byte "NES", $1A, 16, 4, (MAPPER & $0F) << 4, (MAPPER & $F0) | $08
        .byte SUBMAPPER << 4, 0,0,0,0,0,0,0
.endif

.segment "CODE"
.include "result.inc"
.include "checks.inc"
        FILL_BANKS 31, $2000, 32, $80
.include "vrc_chr.inc"

reset:  BOARD_RESET
        lda #9
        sta $8000 + P1
        lda #12
        sta $A000 + P2
        EXPECT_AT $8100, 9, 2, "$8000: bank 9"
        EXPECT_AT $A100, 12, 3, "$A000: bank 12"
        EXPECT_AT $C100, 30, 4, "$C000: not the second-last bank"
        lda #2
        sta $9000 + P2
        EXPECT_AT $8100, 9, 5, "a VRC2 has no swap mode"
        EXPECT_NAMETABLE $2000, $2800, 1, 6, "0 at $9000+2: not vertical"
        lda #3
        sta $9000 + P3
        EXPECT_NAMETABLE $2000, $2400, 1, 7, "3: not horizontal (one bit)"
        EXPECT_NAMETABLE $2000, $2800, 0, 8, "3: not horizontal (one bit)"
        CHECK_CHR_SLOTS 9
        WRITE $6000, $FF
        EXPECT_AT $6000, $61, 10, "$6000: not open bus with the bit set"
        WRITE $6FFF, $FE
        EXPECT_AT $6000, $60, 11, "$6000: not open bus with the bit clear"
        WRITE $7000, $01
        EXPECT_AT $7000, $70, 12, "$7000 is not open bus"
        EXPECT_AT $6000, $60, 13, "a write to $7000 reached the bit"
        PASS

.if HALVED                      ; bank b written as 2b + 1
chr_values: .byte $2B, $15, $39, $27, $0F, $3F, $21, $1B
.else
chr_values: .byte $15, $0A, $1C, $13, $07, $1F, $10, $0D
.endif
chr_seen:   .byte $95, $8A, $9C, $93, $87, $9F, $90, $8D

nmi:
irq:    rti

.segment "VECTORS"
        .word nmi, reset, irq
