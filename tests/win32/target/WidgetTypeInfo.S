// Type information of the Microsoft compiler's form for demo::Widget, laid
// out by hand (the target is built with g++): the word before the table of
// virtual functions points at the complete-object locator, which leads to
// the type descriptor (the decorated name) and the class hierarchy
// descriptor. 64-bit: signature 1 and offsets from the image base (.rva),
// the locator's own last; 32-bit: signature 0 and absolute pointers.
#if defined(__x86_64__)
#define SYM(name) name
#define PTR .quad
#define REF .rva
#define SIGNATURE 1
#else
#define SYM(name) _##name
#define PTR .long
#define REF .long
#define SIGNATURE 0
#endif

        .section .rdata,"dr"
        .p2align 3
widget_locator:
        .long SIGNATURE, 0, 0           // signature, offset in the object, constructor displacement
        REF widget_type
        REF widget_hierarchy
#if defined(__x86_64__)
        .rva widget_locator
#endif
widget_hierarchy:
        .long 0, 0, 0, 0                // signature, attributes, no base class array (nothing reads it)

        .p2align 3
widget_type:
        PTR 0, 0                        // type_info's own table (nothing reads it), spare
        .asciz ".?AVWidget@demo@@"

        .p2align 3
        PTR widget_locator
        .globl SYM(tarnwick_widget_vtable)
SYM(tarnwick_widget_vtable):
        PTR widget_method

        .text
widget_method:
        ret
