; Action 52 (mapper 228), the 1.5 MB image: a write latches address bits
; 1.MH HPPP PPS. CCCC and data bits .... ..cc. HH picks a 512 KB PRG chip
; (the image holds chips 0, 1 and 3; chip 2 is not fitted), PPPPP a 16 KB
; bank in it; S = 1 shows that bank twice, S = 0 its 32 KB pair; M picks
; horizontal mirroring; CCCCcc the 8 KB CHR bank. Four 4-bit RAM cells
; repeat through $4020-$5FFF.
.segment "HEADER"
        .byte "NES", $1A, 96, 8, $40, $E0, 0,0,0,0,0,0,0,0
.include "banktest.inc"

test:   EXPECT_AT $8100, 0, 2, "power-on: 32 KB bank 0 not mapped"
        EXPECT_AT $C100, 1, 3, "power-on: 32 KB bank 0 not mapped"
        sta $8160                     ; chip 0, bank 5, S = 1, M = 0
        EXPECT_AT $8100, 5, 4, "bank 5 not at $8000"
        EXPECT_AT $C100, 5, 5, "bank 5 not at $C000"
        EXPECT_NAMETABLE $2000, $2800, 1, 6, "M = 0: not vertical"
        WRITE $A9C1, $02        ; chip 1, bank 7, S = 0, M = 1, CHR 1:2
        EXPECT_AT $8100, 38, 7, "chip 1 bank 6 not at $8000"
        EXPECT_AT $C100, 39, 8, "chip 1 bank 7 not at $C000"
        EXPECT_PPU $0000, $86, 9, "CHR bank 6 not mapped"
        EXPECT_NAMETABLE $2000, $2400, 1, 10, "M = 1: not horizontal"
        sta $98A0                     ; chip 3, bank 2, S = 1
        EXPECT_AT $8100, 66, 11, "chip 3 bank 2 not the image's bank 66"
        sta $9020                     ; chip 2, not fitted
        EXPECT_AT $8100, $81, 12, "chip 2 answers"
        sta $8020
        EXPECT_AT $FF00, 0, 13, "chip 0 bank 0 not mapped again"
        WRITE $4020, $A5
        WRITE $5FFF, $3C
        ; The upper four bits are the bus's: the address's high byte.
        EXPECT_AT $4024, $45, 14, "RAM cell 0 lost its value"
        EXPECT_AT $4023, $4C, 15, "RAM cell 3 lost its value"
        EXPECT_AT $5FFC, $55, 16, "RAM cell 0 not repeated at $5FFC"
        WRITE $4015, $01
        WRITE $4003, $08
        lda $4015
        and #$01
        EXPECT_A $01, 17, "the APU status no longer answers"
        PASS
