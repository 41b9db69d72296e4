# Writes a C++ source holding a file's bytes: cmake -DINPUT=f -DOUTPUT=f.cpp -DSYMBOL=name -P embed_bytes.cmake
file(READ ${INPUT} hex HEX)
string(LENGTH "${hex}" hex_length)
math(EXPR size "${hex_length} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REGEX REPLACE "(0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,)" "\\1\n" bytes "${bytes}")
file(WRITE ${OUTPUT} "// Generated from ${INPUT} by embed_bytes.cmake.\nnamespace app::demo {\nextern const unsigned char ${SYMBOL}[] = {\n${bytes}};\nextern const unsigned int ${SYMBOL}Size = ${size};\n}  // namespace app::demo\n")
