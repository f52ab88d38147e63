# The manifest of the Windows programs, from the one template app/OVXExtractor.manifest.in:
# it names the build's processor (x86 or amd64), which Windows requires before it loads
# Common Controls 6, and UTF-8 as the process's ANSI code page.
if(CMAKE_SYSTEM_PROCESSOR STREQUAL "x86_64")
    set(OVX_MANIFEST_ARCH amd64)
else()
    set(OVX_MANIFEST_ARCH x86)
endif()

# ovx_configure_manifest(<name> <output>): the template filled in for the program <name>.
function(ovx_configure_manifest name output)
    set(OVX_MANIFEST_NAME ${name})
    configure_file(${PROJECT_SOURCE_DIR}/app/OVXExtractor.manifest.in ${output} @ONLY)
endfunction()

# ovx_embed_manifest(<target> <name>): the manifest of <name> embedded in a program that
# has no resource script of its own, through a script that holds only the manifest.
function(ovx_embed_manifest target name)
    set(dir ${PROJECT_BINARY_DIR}/manifests)
    ovx_configure_manifest(${name} ${dir}/${name}.manifest)
    file(CONFIGURE OUTPUT ${dir}/${name}.rc CONTENT "1 24 \"${dir}/${name}.manifest\"\n")
    set_source_files_properties(${dir}/${name}.rc PROPERTIES OBJECT_DEPENDS ${dir}/${name}.manifest)
    target_sources(${target} PRIVATE ${dir}/${name}.rc)
endfunction()
