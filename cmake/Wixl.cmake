# cmake -DWIXL=... -DARCH=x86|x64 -DWXS=... -DOUTPUT=... -P Wixl.cmake
# Builds an MSI with wixl and fails when wixl says anything at all: it skips what it
# does not support (an attribute, an element) with a GLib WARNING or CRITICAL and still
# exits 0, so an installer missing what its source asks for would otherwise pass.
if(NOT WIXL)
    message(FATAL_ERROR "wixl is not installed (scripts/setup.sh installs it)")
endif()
execute_process(COMMAND ${WIXL} -a ${ARCH} -o ${OUTPUT}.part ${WXS}
    RESULT_VARIABLE status OUTPUT_VARIABLE said ERROR_VARIABLE said)
if(NOT status EQUAL 0 OR NOT said STREQUAL "")
    file(REMOVE ${OUTPUT}.part)
    message(FATAL_ERROR "wixl failed (exit status ${status}) on ${WXS}:\n${said}")
endif()
file(RENAME ${OUTPUT}.part ${OUTPUT})
