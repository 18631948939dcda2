# Writes OUT, a copy of the catalogue template IN in which every text is translated as itself
# in brackets: "Find" becomes "[Find]".
file(READ ${IN} text)
string(REGEX REPLACE "<source>([^<]*)</source>([ \n]*)<translation type=\"unfinished\"></translation>"
       "<source>\\1</source>\\2<translation>[\\1]</translation>" text "${text}")
file(WRITE ${OUT} "${text}")
