# Fills a man page template: @PROJECT_VERSION@ and the command list.
# cmake -DIN=page.1.in -DOUT=page.1 -DCOMMANDS=commands.roff -DVERSION=x.y.z -P fill_man.cmake
cmake_minimum_required(VERSION 3.20)
file(READ ${IN} page)
file(READ ${COMMANDS} commands)
string(REPLACE "@PROJECT_VERSION@" "${VERSION}" page "${page}")
string(REPLACE "@COMMANDS@\n" "${commands}" page "${page}")
file(WRITE ${OUT} "${page}")
