; A game that keeps its progress in battery-backed work RAM: each start
; counts itself at $7000 (behind the mark "BAT" at $7001-$7003, which a
; fresh RAM does not hold) and then passes.
.segment "HEADER"
        .byte "NES", $1A, 2, 1, $02, $00, 0,0,0,0,0,0,0,0

.segment "CODE"
.include "result.inc"
.include "checks.inc"

starts  = $7000
mark    = $7001

reset:  sei
        ldx #$FF
        txs
        ldx #2
check:  lda mark,x
        cmp letters,x
        bne fresh
        dex
        bpl check
        inc starts
        jmp done
fresh:  ldx #2
copy:   lda letters,x
        sta mark,x
        dex
        bpl copy
        WRITE starts, 1
done:   jsr result_start
        PASS

nmi:
irq:    rti

letters: .byte "BAT"

.segment "VECTORS"
        .word nmi, reset, irq
