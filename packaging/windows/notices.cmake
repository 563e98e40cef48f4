# Writes the notices of the libraries compiled into the Windows programs, each library's Debian
# copyright file in turn, with Windows line ends:
#   cmake -DOUT=file "-DNOTICES=name=file;name=file" -P notices.cmake
set(text "The Windows programs of the Thornvale Text Editor are linked with these libraries, each\nunder its own licence, as Debian's copyright files of their sources state.\n")
foreach(notice IN LISTS NOTICES)
  string(FIND "${notice}" "=" at)
  string(SUBSTRING "${notice}" 0 ${at} name)
  math(EXPR at "${at} + 1")
  string(SUBSTRING "${notice}" ${at} -1 path)
  file(READ "${path}" body)
  string(APPEND text "\n==============================================================================\n${name}\n==============================================================================\n\n${body}")
endforeach()
string(REPLACE "\r\n" "\n" text "${text}")
string(REPLACE "\n" "\r\n" text "${text}")
file(WRITE ${OUT} "${text}")
