/* Lays out a DLL as its resources alone. The default PE script would also emit a
   constructor list (as code), an empty export table and an empty import table. */
SECTIONS
{
  .rsrc __image_base__ + __section_alignment__ : { *(.rsrc) *(.rsrc$*) }
  /* Kept so the loader may place the DLL at any base. */
  .reloc BLOCK(__section_alignment__) : { *(.reloc) }
  /DISCARD/ : { *(*) }
}
