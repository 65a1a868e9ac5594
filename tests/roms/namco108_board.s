; Namco 108 (mapper 206): the MMC3's eight bank registers with the PRG and CHR
; arrangement fixed, and no mirroring register: $A000-$FFFF reach nothing.
.segment "HEADER"
        .byte "NES", $1A, 8, 16, $E1, $C0, 0,0,0,0,0,0,0,0
.include "fixedbank.inc"
        FILL_BANKS 15, $2000, 128, 0

; Loads bank register `reg` with `value` through $8000/$8001.
.macro BANK reg, value
        WRITE $8000, reg
        WRITE $8001, value
.endmacro

test:   EXPECT_AT $C100, 14, 2, "power-on: second-last bank not at $C000"
        EXPECT_AT $E100, 15, 3, "power-on: last bank not at $E000"
        BANK 6, 5
        BANK 7, 9
        EXPECT_AT $8100, 5, 4, "R6 = 5 does not map bank 5 at $8000"
        EXPECT_AT $A100, 9, 5, "R7 = 9 does not map bank 9 at $A000"
        BANK $46, 3             ; the MMC3's PRG mode bit is not wired here
        EXPECT_AT $8100, 3, 6, "R6 = 3 with bit 6 set does not map $8000"
        EXPECT_AT $C100, 14, 7, "bit 6 of the select moved the fixed bank"
        BANK 0, 7
        BANK $81, 10            ; nor is the MMC3's CHR inversion bit
        BANK 2, 33
        BANK 5, 63
        EXPECT_PPU $0000, 6, 8, "R0 = 7 does not map 2 KB from 1 KB bank 6"
        EXPECT_PPU $0400, 7, 9, "R0 = 7: second half not 1 KB bank 7"
        EXPECT_PPU $0800, 10, 10, "R1 = 10 (select with bit 7) does not map $0800"
        EXPECT_PPU $1000, 33, 11, "R2 = 33 does not map $1000"
        EXPECT_PPU $1C00, 63, 12, "R5 = 63 does not map $1C00"
        WRITE $9FFE, 6          ; even address in the mirror: select
        WRITE $9FFF, 12
        EXPECT_AT $8100, 12, 13, "$9FFE/$9FFF do not reach the bank registers"
        WRITE $A000, 1          ; an MMC3 would turn the nametables horizontal
        sta $C000
        sta $E001
        EXPECT_NAMETABLE $2000, $2800, 1, 14, "a write past $9FFF changed the mirroring"
        EXPECT_AT $8100, 12, 15, "a write past $9FFF changed a bank"
        PASS
