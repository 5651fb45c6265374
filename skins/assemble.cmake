# cmake -DCOLOURS=colours/x.css -DBASE=base.css -DOUT=skins/x.css -P assemble.cmake
file(READ ${COLOURS} colours)
file(READ ${BASE} base)
file(WRITE ${OUT}.tmp "${colours}${base}")
file(RENAME ${OUT}.tmp ${OUT})
