# Compiles media files into the executable with the assembler's .incbin, so that a
# multi-megabyte file costs the build nothing more than a copy. Each generated .S file
# depends on its media files: changing one rebuilds only that object.
#
#   corvanel_embed_blob(<target> <symbol> <file>)
#       defines `extern "C" const AssetBlob <symbol>` (bytes and 32-bit length).
#   corvanel_embed_set(<target> <symbol> <file>...)
#       defines `extern "C" const unsigned char* const <symbol>_addresses[]` and
#       `extern "C" const std::int32_t <symbol>_lengths[]`, in the order given.

# ELF keeps the bytes in .rodata and the pointers to them in .data.rel.ro (relocated, then
# read-only), declares each symbol's type and size, and marks the stack non-executable. PE/COFF
# has one read-only data section for both, and none of those directives. WebAssembly objects
# make each section a data segment of its own, pointers are 32 bits, and every data symbol
# needs its size for the linker to place and keep it.
if(EMSCRIPTEN)
    set(_corvanel_wasm ON)
elseif(WIN32)
    set(_corvanel_bytes_section ".section .rdata,\"dr\"")
    set(_corvanel_pointers_section "${_corvanel_bytes_section}")
    set(_corvanel_blob_type "")
    set(_corvanel_embed_end "")
else()
    set(_corvanel_bytes_section ".section .rodata")
    set(_corvanel_pointers_section ".section .data.rel.ro")
    set(_corvanel_blob_type "    .type %s, @object\n    .size %s, 16\n")
    set(_corvanel_embed_end "    .section .note.GNU-stack,\"\",@progbits\n")
endif()

function(_corvanel_embed_write target symbol body files)
    set(asm "${CMAKE_BINARY_DIR}/embedded/${symbol}.S")
    file(CONFIGURE OUTPUT "${asm}" CONTENT "${body}${_corvanel_embed_end}" @ONLY)
    target_sources(${target} PRIVATE "${asm}")
    # Source properties belong to a directory: set them where the target lives, so that the
    # dependency holds when the embedding is asked for from another directory.
    set_source_files_properties("${asm}" TARGET_DIRECTORY ${target}
        PROPERTIES OBJECT_DEPENDS "${files}")
endfunction()

function(_corvanel_incbin out label file)
    get_filename_component(path "${file}" ABSOLUTE)
    if(NOT EXISTS "${path}")
        message(FATAL_ERROR "media file missing: ${path} (run `make media`)")
    endif()
    if(_corvanel_wasm)
        set(${out} "    .section .rodata.${label},\"\",@\n    .p2align 4\n${label}:\n"
            "    .incbin \"${path}\"\n${label}_end:\n    .size ${label}, ${label}_end - ${label}\n"
            "    .size ${label}_end, 0\n"
            PARENT_SCOPE)
        return()
    endif()
    set(${out} "    .balign 16\n${label}:\n    .incbin \"${path}\"\n${label}_end:\n" PARENT_SCOPE)
endfunction()

# The files of a set, labelled <symbol>_<index>, and their tables' entries with the given
# directives for a pointer and a length: set_bytes, set_addresses, set_lengths, set_count.
function(_corvanel_incbin_set symbol pointer length)
    set(all_bytes "")
    set(addresses "")
    set(lengths "")
    set(index 0)
    foreach(file IN LISTS ARGN)
        set(label "${symbol}_${index}")
        _corvanel_incbin(bytes "${label}" "${file}")
        string(APPEND all_bytes "${bytes}")
        string(APPEND addresses "    ${pointer} ${label}\n")
        string(APPEND lengths "    ${length} ${label}_end - ${label}\n")
        math(EXPR index "${index} + 1")
    endforeach()
    set(set_bytes "${all_bytes}" PARENT_SCOPE)
    set(set_addresses "${addresses}" PARENT_SCOPE)
    set(set_lengths "${lengths}" PARENT_SCOPE)
    set(set_count ${index} PARENT_SCOPE)
endfunction()

# The WebAssembly forms: the same symbols, in a data segment of their own.
function(_corvanel_embed_blob_wasm target symbol file)
    _corvanel_incbin(bytes "${symbol}_bytes" "${file}")
    string(CONCAT body "${bytes}"
        "    .section .rodata.${symbol},\"\",@\n    .p2align 2\n    .globl ${symbol}\n"
        "${symbol}:\n    .int32 ${symbol}_bytes\n    .int32 ${symbol}_bytes_end - ${symbol}_bytes\n"
        "    .size ${symbol}, 8\n")
    _corvanel_embed_write(${target} ${symbol} "${body}" "${file}")
endfunction()

function(_corvanel_embed_set_wasm target symbol)
    _corvanel_incbin_set(${symbol} .int32 .int32 ${ARGN})
    set(body "${set_bytes}")
    math(EXPR table_size "${set_count} * 4")
    foreach(table addresses lengths)
        string(APPEND body "    .section .rodata.${symbol}_${table},\"\",@\n    .p2align 2\n"
            "    .globl ${symbol}_${table}\n${symbol}_${table}:\n${set_${table}}"
            "    .size ${symbol}_${table}, ${table_size}\n")
    endforeach()
    _corvanel_embed_write(${target} ${symbol} "${body}" "${ARGN}")
endfunction()

function(corvanel_embed_blob target symbol file)
    if(_corvanel_wasm)
        _corvanel_embed_blob_wasm(${target} ${symbol} "${file}")
        return()
    endif()
    _corvanel_incbin(bytes "${symbol}_bytes" "${file}")
    string(REPLACE "%s" "${symbol}" type "${_corvanel_blob_type}")
    set(body "    ${_corvanel_bytes_section}\n${bytes}")
    string(APPEND body
        "    ${_corvanel_pointers_section}\n    .balign 8\n    .globl ${symbol}\n"
        "${type}${symbol}:\n"
        "    .quad ${symbol}_bytes\n    .long ${symbol}_bytes_end - ${symbol}_bytes\n    .long 0\n")
    _corvanel_embed_write(${target} ${symbol} "${body}" "${file}")
endfunction()

function(corvanel_embed_set target symbol)
    if(_corvanel_wasm)
        _corvanel_embed_set_wasm(${target} ${symbol} ${ARGN})
        return()
    endif()
    _corvanel_incbin_set(${symbol} .quad .long ${ARGN})
    string(CONCAT body "    ${_corvanel_bytes_section}\n${set_bytes}"
        "    ${_corvanel_pointers_section}\n    .balign 8\n    .globl ${symbol}_addresses\n"
        "${symbol}_addresses:\n${set_addresses}"
        "    ${_corvanel_bytes_section}\n    .balign 4\n    .globl ${symbol}_lengths\n"
        "${symbol}_lengths:\n${set_lengths}")
    _corvanel_embed_write(${target} ${symbol} "${body}" "${ARGN}")
endfunction()
