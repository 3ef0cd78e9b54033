function buildModules(outDir)
%BUILDMODULES Build the fringeScan, pairSeek and refineBand modules with the host's mex.
%   buildModules builds the modules from ../gateway, ../core and ../refine into
%   this folder, beside their help files. buildModules(outDir) builds them into
%   outDir. Works in GNU Octave (mkoctfile --mex) and in MATLAB (mex with a
%   GCC or Clang compiler); the MATLAB path is untested. refineBand needs the
%   Eigen 3 headers: /usr/include/eigen3 (Debian's libeigen3-dev), or the folder
%   named by the environment variable EIGEN3_INCLUDE_DIR.
%
%   Every source is compiled with -ffp-contract=off -fno-fast-math: results
%   must follow the exact order of double operations, without fused
%   multiply-add. The CMake build (build/octave) does the same.
%
%   See also FRINGESCAN, PAIRSEEK, REFINEBAND.
  here = fileparts(mfilename('fullpath'));
  root = fileparts(here);
  if nargin < 1
    outDir = here;
  end
  core = fullfile(root, 'core');
  gateway = fullfile(root, 'gateway');
  refine = fullfile(root, 'refine');
  eigen = getenv('EIGEN3_INCLUDE_DIR');
  if isempty(eigen)
    eigen = '/usr/include/eigen3';
  end
  flags = '-O2 -std=c++17 -ffp-contract=off -fno-fast-math';
  % Each module: its library's folder and the include folders it needs.
  modules = {'fringeScan', 'pairSeek', 'refineBand'};
  libraries = {core, core, refine};
  includes = {{core}, {core}, {refine, eigen}};
  for k = 1:numel(modules)
    listing = dir(fullfile(libraries{k}, '*.cpp'));
    librarySources = cellfun(@(name) fullfile(libraries{k}, name), {listing.name}, 'UniformOutput', false);
    sources = [{fullfile(gateway, [modules{k} '.cpp'])}, librarySources];
    includeFlags = cellfun(@(folder) ['-I' folder], [includes{k}, {gateway}], 'UniformOutput', false);
    if exist('OCTAVE_VERSION', 'builtin')
      % mkoctfile takes its compiler flags from the environment.
      saved = getenv('CXXFLAGS');
      setenv('CXXFLAGS', flags);
      try
        mex(includeFlags{:}, sources{:}, '-o', fullfile(outDir, [modules{k} '.mex']));
      catch err
        setenv('CXXFLAGS', saved);
        rethrow(err);
      end
      setenv('CXXFLAGS', saved);
    else
      mex(includeFlags{:}, ['CXXFLAGS=$CXXFLAGS ' flags], '-outdir', outDir, ...
          '-output', modules{k}, sources{:});
    end
  end
end
