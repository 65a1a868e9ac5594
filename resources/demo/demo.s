; morvel's demo cartridge (NROM, 16 KB PRG, 8 KB CHR).
; A title screen that stays still until Start is pressed, then a scrolling
; field of bricks and stars, a little ship of four sprites that the pad moves,
; and a short tune on the first pulse channel.

.segment "HEADER"
        .byte "NES", $1A
        .byte 1                 ; 16 KB of PRG
        .byte 1                 ; 8 KB of CHR
        .byte $01, $00          ; vertical mirroring: two nametables side by side
        .byte 0,0,0,0,0,0,0,0

PPUCTRL   = $2000
PPUMASK   = $2001
PPUSTATUS = $2002
OAMADDR   = $2003
PPUSCROLL = $2005
PPUADDR   = $2006
PPUDATA   = $2007
OAMDMA    = $4014
APUSTATUS = $4015
JOYPAD1   = $4016
FRAMECTR  = $4017

BUTTON_START = $08
BUTTON_UP    = $10
BUTTON_DOWN  = $20
BUTTON_LEFT  = $40
BUTTON_RIGHT = $80

TILE_BRICK = $01
TILE_STAR  = $02
TILE_SHIP  = $03                ; four tiles: top left, top right, bottom left, bottom right

.segment "ZEROPAGE"
frameDone:  .res 1              ; set by NMI once per frame
buttons:    .res 1
lastButtons:.res 1
state:      .res 1              ; 0 title, 1 playing
scrollX:    .res 1
scrollPage: .res 1              ; which nametable the scroll starts in
shipX:      .res 1
shipY:      .res 1
noteIndex:  .res 1
noteTimer:  .res 1
pointer:    .res 2
starCount:  .res 1
starIndex:  .res 1
table:      .res 1              ; the nametable being drawn

oam = $0200                     ; sprite table copied by DMA each frame

.segment "CODE"

reset:  sei
        cld
        ldx #$40
        stx FRAMECTR            ; no frame IRQ
        ldx #$FF
        txs
        inx
        stx PPUCTRL
        stx PPUMASK
        stx APUSTATUS
        bit PPUSTATUS
@vbl1:  bit PPUSTATUS           ; the PPU needs two frames to warm up
        bpl @vbl1
        txa
@clear: sta $00,x
        sta $0100,x
        sta $0300,x
        sta $0400,x
        sta $0500,x
        sta $0600,x
        sta $0700,x
        inx
        bne @clear
        jsr HideSprites
@vbl2:  bit PPUSTATUS
        bpl @vbl2

        jsr LoadPalette
        lda #<titleScreen
        ldx #>titleScreen
        jsr DrawScreen
        jsr EnableRendering

main:   lda frameDone
        beq main
        lda #0
        sta frameDone
        jsr ReadPad
        lda state
        bne @play
        ; The title waits for Start.
        lda buttons
        and #BUTTON_START
        beq main
        lda lastButtons
        and #BUTTON_START
        bne main
        jsr StartPlaying
        jmp main
@play:  inc scrollX
        bne @noWrap
        lda scrollPage
        eor #1
        sta scrollPage
@noWrap:
        jsr MoveShip
        jsr PlaceShip
        jsr PlayTune
        jmp main

; --- screens ------------------------------------------------------------

StartPlaying:
        lda #0
        sta PPUMASK             ; rendering off while both nametables are drawn
        sta PPUCTRL
        jsr DrawField
        lda #1
        sta state
        lda #120
        sta shipX
        lda #112
        sta shipY
        lda #0
        sta noteIndex
        lda #1
        sta noteTimer
        sta APUSTATUS           ; first pulse channel on
        jsr PlaceShip
        jmp EnableRendering

; Draws the title: text rows from the table (PPU address, text, 0), ending in $00 $00.
DrawScreen:
        sta pointer
        stx pointer+1
        jsr ClearNametables
        ldy #0
@row:   lda (pointer),y
        beq @done
        sta PPUADDR
        iny
        lda (pointer),y
        sta PPUADDR
        iny
@char:  lda (pointer),y
        iny
        cmp #0
        beq @row
        sta PPUDATA
        jmp @char
@done:  rts

; Both nametables: stars scattered on the sky, a band of bricks along the bottom.
DrawField:
        jsr ClearNametables
        lda #0                  ; nametable 0 at $2000, then 1 at $2400
        sta table
@table: lda table
        asl
        asl
        ora #$20
        sta PPUADDR
        lda #0
        sta PPUADDR
        lda #3                  ; 3 x 256 tiles = 24 rows of sky
        sta pointer
        ldy #0
@sky:   dec starCount           ; stars at uneven gaps taken from a table
        bne @blank
        inc starIndex
        lda starIndex
        and #7
        tax
        lda starGaps,x
        sta starCount
        lda #TILE_STAR
        bne @put
@blank: lda #0
@put:   sta PPUDATA
        iny
        bne @sky
        dec pointer
        bne @sky
        ldy #0
@ground:lda #TILE_BRICK
        sta PPUDATA
        iny
        cpy #192                ; 6 rows of bricks
        bne @ground
        inc table
        lda table
        cmp #2
        bne @table
        rts

ClearNametables:
        lda PPUSTATUS
        lda #$20
        sta PPUADDR
        lda #0
        sta PPUADDR
        ldx #8                  ; $800 bytes: both nametables and attributes
        ldy #0
@loop:  sta PPUDATA
        iny
        bne @loop
        dex
        bne @loop
        rts

LoadPalette:
        lda PPUSTATUS
        lda #$3F
        sta PPUADDR
        lda #0
        sta PPUADDR
        ldx #0
@loop:  lda palette,x
        sta PPUDATA
        inx
        cpx #32
        bne @loop
        rts

EnableRendering:
        lda #0
        sta frameDone
@wait:  bit PPUSTATUS               ; NMI is off: wait for the vertical blank

        bpl @wait
        lda #%10000000              ; NMI on, both pattern tables at $0000
        sta PPUCTRL
        lda #%00011110              ; background and sprites, left column too
        sta PPUMASK
        lda #0
        sta PPUSCROLL
        sta PPUSCROLL
        rts

; --- the ship ----------------------------------------------------------------

ReadPad:
        lda buttons
        sta lastButtons
        lda #1
        sta JOYPAD1
        lda #0
        sta JOYPAD1
        ldx #8
@bit:   lda JOYPAD1
        lsr                     ; bit 0 into carry; A first, Right last
        ror buttons
        dex
        bne @bit
        rts

MoveShip:
        lda buttons
        and #BUTTON_LEFT
        beq @notLeft
        lda shipX
        cmp #8
        bcc @notLeft
        dec shipX
        dec shipX
@notLeft:
        lda buttons
        and #BUTTON_RIGHT
        beq @notRight
        lda shipX
        cmp #232
        bcs @notRight
        inc shipX
        inc shipX
@notRight:
        lda buttons
        and #BUTTON_UP
        beq @notUp
        lda shipY
        cmp #16
        bcc @notUp
        dec shipY
        dec shipY
@notUp:
        lda buttons
        and #BUTTON_DOWN
        beq @notDown
        lda shipY
        cmp #168
        bcs @notDown
        inc shipY
        inc shipY
@notDown:
        rts

; Four sprites in a 2 x 2 square at the ship's place.
PlaceShip:
        ldx #0
@loop:  lda shipY
        clc
        adc shipOffsetY,x
        sta oam,x               ; Y (one line above where it shows)
        lda #TILE_SHIP
        clc
        adc shipTile,x
        sta oam+1,x
        lda #0
        sta oam+2,x             ; sprite palette 0, in front
        lda shipX
        clc
        adc shipOffsetX,x
        sta oam+3,x
        txa
        clc
        adc #4
        tax
        cpx #16
        bne @loop
        rts

HideSprites:
        ldx #0
        lda #$FF
@loop:  sta oam,x
        inx
        bne @loop
        rts

; --- the tune ----------------------------------------------------------------

; Each note: timer low, timer high, length in frames; a length of 0 starts over.
PlayTune:
        dec noteTimer
        bne @done
        ldx noteIndex
        lda tune+2,x
        bne @note
        ldx #0
        lda tune+2
@note:  sta noteTimer
        lda #%10111000          ; duty 50 %, constant volume 8
        sta $4000
        lda #0
        sta $4001               ; no sweep
        lda tune,x
        sta $4002
        lda tune+1,x
        ora #%00001000          ; a long length counter
        sta $4003
        inx
        inx
        inx
        stx noteIndex
@done:  rts

nmi:    pha
        lda #>oam
        sta OAMDMA
        lda #%10000000
        ora scrollPage
        sta PPUCTRL
        lda scrollX
        sta PPUSCROLL
        lda #0
        sta PPUSCROLL
        lda #1
        sta frameDone
        pla
irq:    rti

; --- data ---------------------------------------------------------------------

palette:
        .byte $0F, $30, $16, $27,  $0F, $30, $21, $11,  $0F, $30, $16, $27,  $0F, $30, $16, $27
        .byte $0F, $28, $16, $30,  $0F, $28, $16, $30,  $0F, $28, $16, $30,  $0F, $28, $16, $30

starGaps:   .byte 13, 29, 7, 41, 17, 23, 37, 11

titleScreen:
        .byte $21, $0D, "MORVEL", 0
        .byte $21, $89, "DEMO CARTRIDGE", 0
        .byte $22, $4A, "PRESS START", 0
        .byte 0, 0

; The ship's four sprites, at indexes 0, 4, 8 and 12 as in the sprite table.
shipOffsetX: .byte 0, 0, 0, 0,  8, 0, 0, 0,  0, 0, 0, 0,  8
shipOffsetY: .byte 0, 0, 0, 0,  0, 0, 0, 0,  8, 0, 0, 0,  8
shipTile:    .byte 0, 0, 0, 0,  1, 0, 0, 0,  2, 0, 0, 0,  3

; A rising and falling phrase in C major (timer = 1789773 / (16 f) - 1).
tune:   .byte $AB, $01, 12      ; C4
        .byte $7C, $01, 12      ; D4
        .byte $52, $01, 12      ; E4
        .byte $3F, $01, 12      ; F4
        .byte $1C, $01, 24      ; G4
        .byte $3F, $01, 12      ; F4
        .byte $52, $01, 12      ; E4
        .byte $7C, $01, 12      ; D4
        .byte $AB, $01, 36      ; C4
        .byte $00, $00, 0

.segment "VECTORS"
        .word nmi, reset, irq

; --- pattern table -------------------------------------------------------------
; One table for both the background and the sprites. Tile numbers of the
; letters are their ASCII codes, so texts are written as they read.

.segment "CHARS"
chrStart:

.macro AT_TILE n
        .res (n) * 16 - (* - chrStart)
.endmacro

; A tile drawn in colour 1 only: eight rows of bits, then an empty second plane.
.macro GLYPH r0, r1, r2, r3, r4, r5, r6, r7
        .byte r0, r1, r2, r3, r4, r5, r6, r7
        .byte 0, 0, 0, 0, 0, 0, 0, 0
.endmacro

AT_TILE 0
        GLYPH 0, 0, 0, 0, 0, 0, 0, 0
AT_TILE TILE_BRICK              ; colour 2 mortar lines around colour 3 bricks
        .byte %11111111, %00000001, %00000001, %00000001, %11111111, %00010000, %00010000, %00010000
        .byte %11111111, %11111111, %11111111, %11111111, %11111111, %11111111, %11111111, %11111111
AT_TILE TILE_STAR
        GLYPH %00000000, %00010000, %00010000, %01111100, %00010000, %00010000, %00000000, %00000000
AT_TILE TILE_SHIP               ; top left, top right, bottom left, bottom right
        GLYPH %00000001, %00000011, %00000011, %00000111, %00000111, %01001111, %01011111, %01111111
        GLYPH %10000000, %11000000, %11000000, %11100000, %11100000, %11110010, %11111010, %11111110
        GLYPH %11111111, %11111111, %11100111, %11000011, %10000001, %00000001, %00000000, %00000000
        GLYPH %11111111, %11111111, %11100111, %11000011, %10000001, %10000000, %00000000, %00000000

AT_TILE 'A'
        GLYPH %00111000, %01101100, %11000110, %11000110, %11111110, %11000110, %11000110, 0
AT_TILE 'C'
        GLYPH %00111100, %01100110, %11000000, %11000000, %11000000, %01100110, %00111100, 0
        GLYPH %11111000, %11001100, %11000110, %11000110, %11000110, %11001100, %11111000, 0 ; D
        GLYPH %11111110, %11000000, %11000000, %11111100, %11000000, %11000000, %11111110, 0 ; E
AT_TILE 'G'
        GLYPH %00111100, %01100110, %11000000, %11001110, %11000110, %01100110, %00111110, 0
AT_TILE 'I'
        GLYPH %01111110, %00011000, %00011000, %00011000, %00011000, %00011000, %01111110, 0
AT_TILE 'L'
        GLYPH %11000000, %11000000, %11000000, %11000000, %11000000, %11000000, %11111110, 0
        GLYPH %11000110, %11101110, %11111110, %11010110, %11000110, %11000110, %11000110, 0 ; M
AT_TILE 'O'
        GLYPH %01111100, %11000110, %11000110, %11000110, %11000110, %11000110, %01111100, 0
        GLYPH %11111100, %11000110, %11000110, %11111100, %11000000, %11000000, %11000000, 0 ; P
AT_TILE 'R'
        GLYPH %11111100, %11000110, %11000110, %11111100, %11011000, %11001100, %11000110, 0
        GLYPH %01111100, %11000110, %11000000, %01111100, %00000110, %11000110, %01111100, 0 ; S
        GLYPH %01111110, %00011000, %00011000, %00011000, %00011000, %00011000, %00011000, 0 ; T
AT_TILE 'V'
        GLYPH %11000110, %11000110, %11000110, %11000110, %01101100, %00111000, %00010000, 0
AT_TILE 256
