# The export list, src/engine/Velmora.def, is the one list of the library's
# functions: the DLLs export it, the Linux library's checks and the browser
# module's methods read it here.
function(vl_read_export_list def out)
  file(STRINGS ${def} names REGEX "^[ \t]+vl[A-Za-z0-9_]+[ \t]*$")
  list(TRANSFORM names STRIP)
  set(${out} ${names} PARENT_SCOPE)
endfunction()
