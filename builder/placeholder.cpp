// Keeps vantrel_builder_lib from having no sources until the builder's own files arrive;
// delete this file then.
namespace vantrel {}
