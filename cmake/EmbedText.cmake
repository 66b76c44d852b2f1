# Writes the text of IN as one C++ raw string literal into OUT.
file(READ "${IN}" content)
file(WRITE "${OUT}.tmp" "R\"corvane_embed(${content})corvane_embed\"\n")
file(RENAME "${OUT}.tmp" "${OUT}")
