; Taito TC0190 (mapper 33): four registers repeated through $8000-$BFFF
; (address mask $A003): PRG banks at $8000/$A000 with the mirroring in bit 6
; of $8000, 2 KB CHR banks at $8002/$8003, 1 KB CHR banks at $A000-$A003.
.segment "HEADER"
        .byte "NES", $1A, 8, 16, $11, $20, 0,0,0,0,0,0,0,0
.include "fixedbank.inc"
        FILL_BANKS 15, $2000, 128, 0

test:   EXPECT_AT $C100, 14, 2, "power-on: second-last bank not at $C000"
        EXPECT_AT $E100, 15, 3, "power-on: last bank not at $E000"
        WRITE $8000, $45
        WRITE $9FFD, 6          ; $8001 through the mask
        EXPECT_AT $8100, 5, 4, "$8000 = $45 does not map bank 5 at $8000"
        EXPECT_AT $A100, 6, 5, "$8001 = 6 does not map bank 6 at $A000"
        EXPECT_NAMETABLE $2000, $2400, 1, 6, "$8000 bit 6 set is not horizontal"
        WRITE $8000, $05
        EXPECT_NAMETABLE $2000, $2800, 1, 7, "$8000 bit 6 clear is not vertical"
        WRITE $8002, 3
        WRITE $8003, 5
        WRITE $A000, 33
        WRITE $BFFF, 63         ; $A003 through the mask
        EXPECT_PPU $0000, 6, 8, "$8002 = 3 does not map 2 KB bank 3 at $0000"
        EXPECT_PPU $0400, 7, 9, "$8002 = 3: second half not 1 KB bank 7"
        EXPECT_PPU $0C00, 11, 10, "$8003 = 5 does not map 2 KB bank 5 at $0800"
        EXPECT_PPU $1000, 33, 11, "$A000 = 33 does not map $1000"
        EXPECT_PPU $1C00, 63, 12, "$A003 = 63 does not map $1C00"
        WRITE $C000, 1
        sta $E002
        EXPECT_AT $8100, 5, 13, "a write past $BFFF changed a bank"
        EXPECT_PPU $0000, 6, 14, "a write past $BFFF changed a CHR bank"
        PASS
