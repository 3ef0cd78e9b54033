function buildModules(outDir)
%BUILDMODULES Build the fringeScan and pairSeek modules with the host's mex.
%   buildModules builds both modules from ../gateway and ../core into this
%   folder, beside their help files. buildModules(outDir) builds them into
%   outDir. Works in GNU Octave (mkoctfile --mex) and in MATLAB (mex with a
%   GCC or Clang compiler); the MATLAB path is untested.
%
%   Every source is compiled with -ffp-contract=off -fno-fast-math: results
%   must follow the exact order of double operations, without fused
%   multiply-add. The CMake build (build/octave) does the same.
%
%   See also FRINGESCAN, PAIRSEEK.
  here = fileparts(mfilename('fullpath'));
  root = fileparts(here);
  if nargin < 1
    outDir = here;
  end
  core = fullfile(root, 'core');
  gateway = fullfile(root, 'gateway');
  listing = dir(fullfile(core, '*.cpp'));
  coreSources = cellfun(@(name) fullfile(core, name), {listing.name}, 'UniformOutput', false);
  flags = '-O2 -std=c++17 -ffp-contract=off -fno-fast-math';
  modules = {'fringeScan', 'pairSeek'};
  for k = 1:numel(modules)
    sources = [{fullfile(gateway, [modules{k} '.cpp'])}, coreSources];
    if exist('OCTAVE_VERSION', 'builtin')
      % mkoctfile takes its compiler flags from the environment.
      saved = getenv('CXXFLAGS');
      setenv('CXXFLAGS', flags);
      try
        mex(['-I' core], ['-I' gateway], sources{:}, '-o', fullfile(outDir, [modules{k} '.mex']));
      catch err
        setenv('CXXFLAGS', saved);
        rethrow(err);
      end
      setenv('CXXFLAGS', saved);
    else
      mex(['-I' core], ['-I' gateway], ['CXXFLAGS=$CXXFLAGS ' flags], '-outdir', outDir, ...
          '-output', modules{k}, sources{:});
    end
  end
end
