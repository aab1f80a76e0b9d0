/* The start-up stub of the packed program. Its file reserves, as its first
   section (.hole, no bytes in the file), the address range the program's
   sections occupy at the program's own base address; the stub shares that
   base. At start it unpacks the program file (size/unpack.h), copies its
   headers and sections into place, binds its imports and enters it. Any
   failure ends the process with -1, as the program's own start-up failures
   do. Built without the C library; packedImage comes from size/pack.py. */
#include <windows.h>

#include "size/unpack.h"

extern const uint8_t packedImage[];
extern const uint32_t packedImageSize;
extern IMAGE_DOS_HEADER __ImageBase;

static void fail(void) {
    ExitProcess((UINT)-1);
}

static void copyBytes(uint8_t* to, const uint8_t* from, uint32_t n) {
    while (n--)
        *to++ = *from++;
}

static void bindImports(uint8_t* base, const IMAGE_NT_HEADERS* nt) {
    const IMAGE_DATA_DIRECTORY* dir =
        &nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (!dir->Size) return;
    for (IMAGE_IMPORT_DESCRIPTOR* d = (IMAGE_IMPORT_DESCRIPTOR*)(base + dir->VirtualAddress);
         d->Name; ++d) {
        HMODULE module = LoadLibraryA((const char*)(base + d->Name));
        if (!module) fail();
        DWORD names = d->OriginalFirstThunk ? d->OriginalFirstThunk : d->FirstThunk;
        IMAGE_THUNK_DATA* from = (IMAGE_THUNK_DATA*)(base + names);
        IMAGE_THUNK_DATA* to = (IMAGE_THUNK_DATA*)(base + d->FirstThunk);
        for (; from->u1.AddressOfData; ++from, ++to) {
            const char* name =
                IMAGE_SNAP_BY_ORDINAL(from->u1.Ordinal)
                    ? (const char*)(ULONG_PTR)IMAGE_ORDINAL(from->u1.Ordinal)
                    : (const char*)((IMAGE_IMPORT_BY_NAME*)(base + from->u1.AddressOfData))->Name;
            FARPROC proc = GetProcAddress(module, name);
            if (!proc) fail();
            to->u1.Function = (ULONG_PTR)proc;
        }
    }
}

void stubStart(void) {
    uint32_t size = unpackedSize(packedImage, packedImageSize);
    uint8_t* file = VirtualAlloc(NULL, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    if (!file || unpack(packedImage, packedImageSize, file, size)) fail();
    const IMAGE_NT_HEADERS* nt =
        (const IMAGE_NT_HEADERS*)(file + ((IMAGE_DOS_HEADER*)file)->e_lfanew);
    uint8_t* base = (uint8_t*)nt->OptionalHeader.ImageBase;
    if (base != (uint8_t*)&__ImageBase) fail();
    __asm__("" : "+r"(base)); /* the program's headers reach past the stub's */
    DWORD old;
    if (!VirtualProtect(base, nt->OptionalHeader.SizeOfImage, PAGE_EXECUTE_READWRITE, &old)) fail();
    copyBytes(base, file, nt->OptionalHeader.SizeOfHeaders);
    const IMAGE_SECTION_HEADER* s = IMAGE_FIRST_SECTION(nt);
    for (int i = 0; i < nt->FileHeader.NumberOfSections; ++i, ++s) {
        uint32_t n =
            s->SizeOfRawData < s->Misc.VirtualSize ? s->SizeOfRawData : s->Misc.VirtualSize;
        copyBytes(base + s->VirtualAddress, file + s->PointerToRawData, n);
    }
    bindImports(base, (const IMAGE_NT_HEADERS*)(base + ((IMAGE_DOS_HEADER*)base)->e_lfanew));
    void (*entry)(void) = (void (*)(void))(base + nt->OptionalHeader.AddressOfEntryPoint);
    VirtualFree(file, 0, MEM_RELEASE);
    entry();
    ExitProcess(0);
}
