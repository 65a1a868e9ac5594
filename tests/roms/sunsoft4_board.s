; Sunsoft-4 (mapper 68): the 16 KB PRG bank and work RAM enable at $F000, the
; 2 KB CHR banks, and CHR ROM standing in for the nametables: $C000/$D000 pick
; 1 KB banks of the upper 128 KB of CHR, arranged as $E000's mirroring says.
.segment "HEADER"
        .byte "NES", $1A, 8, 32, $42, $40, 0,0,0,0,0,0,0,0
RESULT_BASE = $0700
.include "fixedbank.inc"
        FILL_BANKS 7, $4000, 256, 0

; Fails unless the four nametables read the 1 KB banks q0, q1, q2 and q3.
.macro EXPECT_QUARTERS q0, q1, q2, q3, code, text
        EXPECT_PPU $2000, q0, code, text
        EXPECT_PPU $2400, q1, code, text
        EXPECT_PPU $2800, q2, code, text
        EXPECT_PPU $2C00, q3, code, text
.endmacro

test:   EXPECT_AT $C100, 7, 2, "power-on: last bank not at $C000"
        WRITE $F000, $13
        EXPECT_AT $8100, 3, 3, "$F000 = $13 does not map bank 3 at $8000"
        WRITE $8000, 5
        WRITE $B000, 127
        EXPECT_PPU $0400, 11, 4, "$8000 = 5 does not map 2 KB bank 5"
        EXPECT_PPU $1C00, 255, 5, "$B000 = 127 does not map 2 KB bank 127"
        WRITE $C000, $01
        WRITE $D000, $85        ; bit 7 reads as set whatever is written
        WRITE $E000, $10
        EXPECT_QUARTERS $81, $85, $81, $85, 6, "ROM nametables, vertical"
        WRITE $E000, $11
        EXPECT_QUARTERS $81, $81, $85, $85, 7, "ROM nametables, horizontal"
        WRITE $E000, $12
        EXPECT_QUARTERS $81, $81, $81, $81, 8, "ROM nametables, first only"
        WRITE $E000, $13
        EXPECT_QUARTERS $85, $85, $85, $85, 9, "ROM nametables, second only"
        PPU_WRITE $2000, $55
        EXPECT_PPU $2000, $85, 10, "a write changed a ROM nametable"
        WRITE $E000, $00
        EXPECT_NAMETABLE $2000, $2800, 1, 11, "$E000 = 0 is not vertical CIRAM"
        WRITE $E000, $01
        EXPECT_NAMETABLE $2000, $2400, 1, 12, "$E000 = 1 is not horizontal CIRAM"
        WRITE $6000, $5A
        WRITE $F000, $03
        EXPECT_NOT_AT $6000, $5A, 13, "$F000 bit 4 clear left the work RAM on"
        WRITE $F000, $13
        EXPECT_AT $6000, $5A, 14, "$F000 bit 4 set does not bring the work RAM back"
        PASS
