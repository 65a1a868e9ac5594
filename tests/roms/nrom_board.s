; NROM (mapper 0), one 16 KB unit: $C000-$FFFF mirrors $8000-$BFFF, and the
; PRG and CHR data are ROM: writes to them change nothing that is read back.
.segment "HEADER"
        .byte "NES", $1A, 1, 1, $00, $00, 0,0,0,0,0,0,0,0

.segment "CODE"
.include "result.inc"
.include "checks.inc"

marker: .byte $5A

reset:  sei
        ldx #$FF
        txs
        jsr result_start
        lda marker
        EXPECT_A $5A, 2, "marker not read at $8000"
        lda marker - $4000
        EXPECT_A $5A, 3, "$C000 does not mirror $8000"
        WRITE marker, $A5
        sta marker - $4000
        lda marker
        EXPECT_A $5A, 4, "a write changed PRG ROM"
        ; CHR ROM byte $0010 through $2007: write $A5, then read it back
        ; (one dummy read fills the buffer).
        bit $2002
        WRITE $2006, $00
        WRITE $2006, $10
        WRITE $2007, $A5
        WRITE $2006, $00
        WRITE $2006, $10
        lda $2007
        lda $2007
        EXPECT_A $3C, 5, "a write changed CHR ROM"
        PASS

nmi:
irq:    rti

.segment "VECTORS"
        .word nmi, reset, irq

.segment "CHARS"
        .res 16, 0
        .byte $3C
