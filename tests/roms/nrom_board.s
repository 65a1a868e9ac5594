; NROM (mapper 0), one 16 KB unit: $C000-$FFFF mirrors $8000-$BFFF and a
; write into the PRG window changes what is read back at both places.
.segment "HEADER"
        .byte "NES", $1A, 1, 1, $00, $00, 0,0,0,0,0,0,0,0

.segment "CODE"
.include "result.inc"

marker: .byte $5A

reset:  sei
        ldx #$FF
        txs
        jsr result_start
        lda marker
        EXPECT_A $5A, 2, "marker not read at $8000"
        lda marker - $4000
        EXPECT_A $5A, 3, "$C000 does not mirror $8000"
        lda #$A5
        sta marker
        lda marker - $4000
        EXPECT_A $A5, 4, "PRG write not seen at $C000"
        PASS

nmi:
irq:    rti

.segment "VECTORS"
        .word nmi, reset, irq
